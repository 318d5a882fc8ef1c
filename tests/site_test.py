"""The program's web site in a real browser, run on the build machine:

    python3 site_test.py <build folder> <program number>

Serves <build folder>/site (the site target makes it) on 127.0.0.1 with
version_server.py, which records every request, and opens both pages in
Debian's chromium, headless, with a fresh profile, home and cache in a
folder of its own. Chromium's proxy is that same server, so nothing
reaches the network: what chromium asks of other hosts for its own
services (sign-in, updates) ends there, recorded and refused, and is
listed. Checks, printing a line for each:
- every request chromium made for the site was answered 200, and it
  fetched the style sheet and every picture of each page;
- the style sheet loads nothing (no url() or @import);
- every href and src of the pages names a file of the site that the server
  serves, and every #fragment an element of its page;
- the pages say utf-8 in a meta element within their first 1024 bytes, and
  the server sends them as text/html; charset=utf-8;
- the Czech text arrives whole: exact sentences of each page in chromium's
  DOM, no U+FFFD, and every non-ASCII character as often in the DOM as in
  the page's file;
- the home page's SHA-256 is that of the ZIP the site serves, which holds
  the program and not the site; version.txt is the program's number and a
  line end, as the version check reads it;
- a screenshot of each page, <build folder>/site-shots/site-home.png and
  site-help.png (tools/screenshots copies them into docs/screenshots).
"""
import collections
import hashlib
import html.parser
import io
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request
import zipfile

CHROMIUM = "/usr/bin/chromium"
# page, screenshot, window size, sentences that must arrive whole
PAGES = [
    ("index.html", "site-home.png", (1024, 1440),
     ["Orbelan! – vlastní statusy pro ICQ Lite", "upraví své vlastní (uživatelské) statusy.",
      "Kontrolní součet SHA-256:", "Hlavní okno se seznamem statusů"]),
    ("help.html", "site-help.png", (1024, 1440),
     ["Orbelan! – návod k použití", "Hlavička statusu může mít až 1023 znaků, text až 4095 znaků.",
      "Úprava statusu", "jeho složka „Spustit v“). Je to záznam chyb"]),
]
MOJIBAKE = re.compile("[\ufffdÃÅÄĹĂÂ]")

failures = 0


def check(ok, what):
    global failures
    print(("ok: " if ok else "FAIL: ") + what)
    if not ok:
        failures += 1


class Page(html.parser.HTMLParser):
    """The addresses a page names, the pictures and style sheets it loads,
    its ids and its meta charset."""

    def __init__(self):
        super().__init__()
        self.addresses, self.loads, self.ids, self.charset = [], [], set(), None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.addresses += [attrs[name] for name in ("href", "src") if attrs.get(name) is not None]
        if tag == "img" or (tag == "link" and attrs.get("rel") == "stylesheet"):
            self.loads.append(attrs.get("src") or attrs.get("href"))
        if "id" in attrs:
            self.ids.add(attrs["id"])
        if tag == "meta" and "charset" in attrs:
            self.charset = attrs["charset"]


def parse(text):
    page = Page()
    page.feed(text)
    page.close()
    return page


def png_size(path):
    with open(path, "rb") as file:
        head = file.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def main():
    build, number = sys.argv[1], sys.argv[2]
    site = os.path.join(build, "site")
    shots = os.path.join(build, "site-shots")
    if not os.path.isfile(os.path.join(site, "index.html")):
        sys.exit(f"FAIL: no site in {site}: build the site target")
    if not os.access(CHROMIUM, os.X_OK):
        sys.exit(f"FAIL: {CHROMIUM} is missing (Debian package chromium, tools/install-deps)")
    os.makedirs(shots, exist_ok=True)

    scratch = tempfile.mkdtemp(prefix="orbelan-site-")
    server = subprocess.Popen([sys.executable, os.path.join(os.path.dirname(__file__), "version_server.py"),
                               scratch, site])
    try:
        for _ in range(200):
            if os.path.exists(os.path.join(scratch, "port")):
                break
            time.sleep(0.05)
        with open(os.path.join(scratch, "port")) as file:
            port = int(file.read())
        base = f"http://127.0.0.1:{port}/"
        environment = {name: value for name, value in os.environ.items() if "proxy" not in name.lower()}
        for name in ("HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"):
            environment[name] = os.path.join(scratch, "home", name.lower())
        browser = [CHROMIUM, "--headless=new", "--no-sandbox", "--disable-gpu",
                   "--no-first-run", "--no-default-browser-check", "--disable-sync", "--disable-extensions",
                   "--disable-background-networking", "--disable-component-update", "--disable-default-apps",
                   "--disable-features=Translate,NetworkTimeServiceQuerying,OptimizationHints,MediaRouter",
                   "--proxy-server=" + base.rstrip("/"), "--force-device-scale-factor=1", "--hide-scrollbars"]
        runs = 0

        def run(*arguments):
            nonlocal runs
            runs += 1
            # A fresh profile each time: nothing comes from a cache.
            profile = "--user-data-dir=" + os.path.join(scratch, f"profile-{runs}")
            result = subprocess.run(browser + [profile] + list(arguments), env=environment, stdin=subprocess.DEVNULL,
                                    capture_output=True, timeout=90)
            if result.returncode != 0:
                sys.stderr.write(result.stderr.decode("utf-8", "replace"))
            check(result.returncode == 0, f"chromium {' '.join(arguments)}: exit status {result.returncode}")
            return result.stdout

        doms = {}
        for page, shot, (width, height), _ in PAGES:
            doms[page] = run("--dump-dom", base + page).decode("utf-8", "replace")
            path = os.path.join(shots, shot)
            if os.path.exists(path):
                os.remove(path)
            run(f"--screenshot={path}", f"--window-size={width},{height}", base + page)
            check(png_size(path) == (width, height), f"screenshot {path}: a PNG of {width}x{height}")
        with open(os.path.join(scratch, "requests"), encoding="utf-8") as file:
            requests = [line.split(" ", 1) for line in file.read().splitlines()]

        # The test's own requests, past any proxy.
        fetcher = urllib.request.build_opener(urllib.request.ProxyHandler({}))

        def fetch(path):
            try:
                with fetcher.open(base + path, timeout=30) as response:
                    return response.status, response.headers.get("Content-Type"), response.read()
            except urllib.error.HTTPError as error:
                return error.code, None, b""

        # A proxy's request names the host ("http://host/path", "host:443" to tunnel).
        own = [path for _, path in requests if path.startswith("/")]
        bad = [f"{status} {path}" for status, path in requests if path.startswith("/") and status != "200"]
        check(own and not bad, f"chromium's {len(own)} requests for the site: each answered 200"
              + (f"; not: {', '.join(bad)}" if bad else ""))
        elsewhere = sorted({urllib.parse.urlsplit(path if "//" in path else "//" + path).hostname
                            for _, path in requests if not path.startswith("/")})
        print(f"chromium's {len(requests) - len(own)} requests for its own services, kept from the network:"
              f" {', '.join(elsewhere) or 'none'}")
        requested = {urllib.parse.unquote(path) for path in own}
        with open(os.path.join(site, "style.css"), encoding="utf-8") as file:
            style = file.read()
        check(not re.search(r"url\(|@import", style, re.IGNORECASE), "style.css loads nothing (no url() or @import)")

        pages = {page: parse(dom) for page, dom in doms.items()}
        for page, _, _, sentences in PAGES:
            status, content_type, raw = fetch(page)
            text = raw.decode("utf-8", "replace")
            dom, parsed = doms[page], pages[page]
            check(status == 200 and content_type == "text/html; charset=utf-8",
                  f"{page}: served with Content-Type {content_type}")
            head = raw[:1024].decode("utf-8", "replace").lower()
            check('<meta charset="utf-8">' in head and parsed.charset == "utf-8",
                  f"{page}: <meta charset=\"utf-8\"> within its first 1024 bytes and in the DOM")

            missing = [address for address in parsed.loads
                       if "/" + urllib.parse.unquote(address) not in requested]
            check(parsed.loads and not missing, f"{page}: chromium fetched the {len(parsed.loads)} pictures and"
                  " style sheets it loads" + (f"; not: {', '.join(missing)}" if missing else ""))
            broken = []
            for address in sorted(set(parsed.addresses)):
                parts = urllib.parse.urlsplit(address)
                target = parts.path or page
                if parts.scheme or parts.netloc or target.startswith("/"):
                    broken.append(f"{address} (not a file of the site)")
                elif target not in pages and fetch(target)[0] != 200:
                    broken.append(f"{address} (not served)")
                elif parts.fragment and parts.fragment not in pages.get(target, Page()).ids:
                    broken.append(f"{address} (no such id)")
            check(not broken, f"{page}: its {len(set(parsed.addresses))} links and pictures resolve"
                  + (f"; not: {', '.join(broken)}" if broken else ""))

            absent = [sentence for sentence in sentences if sentence not in dom]
            check(not absent, f"{page}: {len(sentences)} Czech sentences in chromium's DOM"
                  + (f"; not: {absent}" if absent else ""))
            garbled = sorted(set(MOJIBAKE.findall(dom)))
            check(not garbled, f"{page}: no U+FFFD or mojibake in the DOM" + (f"; found: {garbled}" if garbled else ""))
            in_dom = collections.Counter(c for c in dom if ord(c) > 127)
            in_file = collections.Counter(c for c in text if ord(c) > 127)
            check(in_dom == in_file, f"{page}: its {sum(in_file.values())} non-ASCII characters, each as often in"
                  " the DOM as in the file")

        hashes = re.findall(r'<code class="hash">([0-9a-f]{64})</code>', doms["index.html"])
        downloads = [address for address in pages["index.html"].addresses if address.endswith(".zip")]
        if len(hashes) == 1 and len(downloads) == 1:
            status, _, package = fetch(downloads[0])
            check(status == 200 and hashlib.sha256(package).hexdigest() == hashes[0],
                  f"{downloads[0]}: served, and its SHA-256 is the one on the home page")
            try:
                names = zipfile.ZipFile(io.BytesIO(package)).namelist()
            except zipfile.BadZipFile:
                names = []
            check("Orbelan.exe" in names and not any(re.search(r"\.html$|(^|/)site-", name) for name in names),
                  f"{downloads[0]}: holds Orbelan.exe and nothing of the site")
        else:
            check(False, f"the home page offers one ZIP with one SHA-256: {downloads}, {hashes}")
        status, _, version = fetch("version.txt")
        check(status == 200 and version == f"{number}\r\n".encode(), f"version.txt: {version!r}, the program's"
              f" number {number} and a line end")
    finally:
        open(os.path.join(scratch, "stop"), "w").close()
        try:
            server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            server.kill()
        shutil.rmtree(scratch, ignore_errors=True)

    print("all site checks passed" if failures == 0 else f"{failures} site checks failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
