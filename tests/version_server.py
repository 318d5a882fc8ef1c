"""A real HTTP server for the tests of the version check and the web site.

    python3 version_server.py <folder> [<port>]

Serves <folder>/www on 127.0.0.1, on a free port, or on <port> when it is
given, and writes the port into <folder>/port once it listens. A fixed port
that another server holds (the other run of the same tests, say) is waited
for, up to a minute. It ends when <folder>/stop appears (the test creates it
when it is done) or, should the test die first, after five minutes; then it
creates <folder>/stopped.
"""
import functools
import http.server
import os
import sys
import time


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):
        pass


def listen(handler, port):
    deadline = time.monotonic() + 60
    while True:
        try:
            return http.server.HTTPServer(("127.0.0.1", port), handler)
        except OSError:
            if port == 0 or time.monotonic() > deadline:
                raise
            time.sleep(0.1)


def main():
    folder = sys.argv[1]
    handler = functools.partial(QuietHandler, directory=os.path.join(folder, "www"))
    server = listen(handler, int(sys.argv[2]) if len(sys.argv) > 2 else 0)
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
