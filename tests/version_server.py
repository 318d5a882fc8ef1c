"""A real HTTP server for the tests of the version check and of the web site.

    python3 version_server.py <folder> [<site folder>] [--port <port>] [--seconds <s>]

Serves <folder>/www (or the site folder) on 127.0.0.1, on a free port or
on the port given, which it writes into <folder>/port once it listens, and
writes a line "<status> <path>" into <folder>/requests for every request
it answers. A fixed port that another server holds (another test run, say)
is waited for, up to a minute. It ends when <folder>/stop appears (the test
creates it when it is done) or, should the test die first, after five
minutes (or the seconds given); then it creates <folder>/stopped.
"""
import argparse
import functools
import http.server
import os
import time


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    # The pages and the style sheet say their character set in the header too.
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".html": "text/html; charset=utf-8", ".css": "text/css; charset=utf-8"})

    def __init__(self, *args, log, **kwargs):
        self.log = log
        super().__init__(*args, **kwargs)

    def log_request(self, code="-", size="-"):
        with open(self.log, "a", encoding="utf-8") as requests:
            requests.write(f"{int(code)} {self.path}\n")

    def log_message(self, format, *args):
        pass


def listen(handler, port):
    deadline = time.monotonic() + 60
    while True:
        try:
            return http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
        except OSError:
            if port == 0 or time.monotonic() > deadline:
                raise
            time.sleep(0.1)


def main():
    arguments = argparse.ArgumentParser()
    arguments.add_argument("folder")
    arguments.add_argument("site", nargs="?")
    arguments.add_argument("--port", type=int, default=0)
    # tools/demo serves its site for as long as the program runs.
    arguments.add_argument("--seconds", type=int, default=300)
    arguments = arguments.parse_args()
    folder = arguments.folder
    served = arguments.site or os.path.join(folder, "www")
    handler = functools.partial(QuietHandler, directory=served, log=os.path.join(folder, "requests"))
    # A thread for each connection: a browser may open one and send nothing.
    server = listen(handler, arguments.port)
    server.daemon_threads = True
    server.timeout = 0.1
    with open(os.path.join(folder, "port.tmp"), "w") as port:
        port.write(str(server.server_address[1]))
    os.replace(os.path.join(folder, "port.tmp"), os.path.join(folder, "port"))
    deadline = time.monotonic() + arguments.seconds
    while not os.path.exists(os.path.join(folder, "stop")) and time.monotonic() < deadline:
        server.handle_request()
    server.server_close()
    open(os.path.join(folder, "stopped"), "w").close()


if __name__ == "__main__":
    main()
