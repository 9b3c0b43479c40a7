#!/usr/bin/env python3
"""A link to the print service as far away as a remote one: a proxy on
127.0.0.1 that forwards to the private scheduler's socket and holds every
piece of data DELAY milliseconds each way. It counts the connections and
the requests that pass (an HTTP request line), written to COUNTS on SIGTERM.
   delaying-proxy.py SOCKET DELAY_MS PORTFILE COUNTS"""
import asyncio
import os
import re
import signal
import sys

socket_path, delay, portfile, countfile = sys.argv[1], int(sys.argv[2]) / 1000, sys.argv[3], sys.argv[4]
counts = {"connections": 0, "requests": 0}
request_line = re.compile(rb"(^|\r\n)(GET|POST|PUT|HEAD|OPTIONS) [^ ]+ HTTP/1\.[01]\r\n")


async def pipe(reader, writer, upstream):
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                break
            if upstream:
                counts["requests"] += len(request_line.findall(data))
            await asyncio.sleep(delay)
            writer.write(data)
            await writer.drain()
    except (ConnectionError, asyncio.CancelledError):
        pass
    finally:
        try:
            writer.close()
        except Exception:
            pass


async def handle(client_reader, client_writer):
    counts["connections"] += 1
    server_reader, server_writer = await asyncio.open_unix_connection(socket_path)
    await asyncio.gather(pipe(client_reader, server_writer, True),
                         pipe(server_reader, client_writer, False))


async def main():
    server = await asyncio.start_server(handle, "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    with open(portfile + ".tmp", "w") as f:
        f.write(str(port))
    os.rename(portfile + ".tmp", portfile)
    stop = asyncio.Event()
    asyncio.get_running_loop().add_signal_handler(signal.SIGTERM, stop.set)
    await stop.wait()
    with open(countfile, "w") as f:
        f.write("%d %d\n" % (counts["connections"], counts["requests"]))


asyncio.run(main())
