#!/usr/bin/python3
"""Prints the accessible tree of a running application as assistive
technology reads it over the AT-SPI bus: one line per object, indented,
"role | name | description".  Usage: atspi-tree.py APPLICATION-NAME
With "list" after the name it prints the first combo box as
"name | the names it is labelled by" instead."""
import sys
import time

import pyatspi


def find_application(name, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        for application in pyatspi.Registry.getDesktop(0):
            if application is not None and application.name == name:
                return application
        time.sleep(0.2)
    return None


def walk(node, depth=0):
    print("%s%s | %s | %s" % ("  " * depth, node.getRoleName(), node.name, node.description))
    for child in node:
        if child is not None:
            walk(child, depth + 1)


application = find_application(sys.argv[1])
if application is None:
    print("no application named %s on the accessibility bus" % sys.argv[1], file=sys.stderr)
    sys.exit(1)
if sys.argv[2:] == ["list"]:
    def first_list(node):
        if node.getRole() == pyatspi.ROLE_COMBO_BOX:
            return node
        for child in node:
            found = first_list(child) if child is not None else None
            if found is not None:
                return found
        return None
    combo = first_list(application)
    labels = [relation.getTarget(i).name for relation in combo.getRelationSet()
              if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
              for i in range(relation.getNTargets())]
    print("%s | %s" % (combo.name, ", ".join(labels)))
else:
    walk(application)
