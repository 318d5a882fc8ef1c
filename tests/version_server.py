"""A real HTTP server for the tests of the version check.

    python3 version_server.py <folder>

Serves <folder>/www on 127.0.0.1, on a free port that it writes into
<folder>/port once it listens. It ends when <folder>/stop appears (the test
creates it when it is done) or, should the test die first, after five
minutes; then it creates <folder>/stopped.
"""
import functools
import http.server
import os
import sys
import time


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):
        pass


def main():
    folder = sys.argv[1]
    handler = functools.partial(QuietHandler, directory=os.path.join(folder, "www"))
    server = http.server.HTTPServer(("127.0.0.1", 0), handler)
    server.timeout = 0.1
    with open(os.path.join(folder, "port.tmp"), "w") as port:
        port.write(str(server.server_address[1]))
    os.replace(os.path.join(folder, "port.tmp"), os.path.join(folder, "port"))
    deadline = time.monotonic() + 300
    while not os.path.exists(os.path.join(folder, "stop")) and time.monotonic() < deadline:
        server.handle_request()
    server.server_close()
    open(os.path.join(folder, "stopped"), "w").close()


if __name__ == "__main__":
    main()
