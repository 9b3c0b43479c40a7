#include "app/form1.h"
#include "app/qtmessageboxes.h"
#include "core/product.h"

#include <QApplication>
#include <QLineEdit>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    gridorra::QtMessageBoxes boxes;
    gridorra::Form1 form(boxes);
    boxes.setParentWindow(&form);
    form.setWindowTitle(gridorra::product::name);

    // The stored defaults, until the settings store restores the user's values.
    const char* defaults[] = {"10", "10", "10", "10", "1", "1"};
    for (int i = 0; i < 6; ++i)
        form.textField(i + 1)->setText(QString::fromLatin1(defaults[i]));
    form.PreviewGraph();

    form.show();
    return app.exec();
}
