"""Makes the program's web site from its templates and the user guide.

    make_site.py <source folder> <site folder> <site zip> <release zip> <program number> <version text>

Writes into the site folder (emptied first):
- index.html and help.html, from the templates site/index.html and
  site/help.html; the help page's title and text are the guide
  docs/NAVOD.md, converted by Python-Markdown (Debian's python3-markdown);
- style.css (site/style.css) and favicon.ico (res/orbelan.ico);
- version.txt, which the program's version check reads: the program's
  number in decimal and a line end;
- the release package, which the home page offers with its size and
  SHA-256;
- every picture the pages show, from docs/ (the guide's pictures are
  named relative to it).
Fails on a placeholder without a value, on a picture without an alt
text, and on a link or picture of a page that is not a file of the site:
the pages use nothing from elsewhere. A link is judged as the server will
read it, unquoted (%2e%2e/ is ../), and nothing is read from outside docs/
or written outside the site folder.
Then packs the site folder into the site zip, the same bytes every time.
"""
import hashlib
import html
import html.parser
import os
import re
import shutil
import string
import sys
import urllib.parse
import zipfile

import markdown

# The date of every file in the site zip: the one cmake/cpack-reproducible.cmake
# gives the files of the release package.
ZIP_DATE = (2006, 7, 1, 0, 0, 0)


class References(html.parser.HTMLParser):
    """The addresses a page names in href and src, and its pictures
    without a text to read in their place."""

    def __init__(self):
        super().__init__()
        self.found, self.mute = [], []

    def handle_starttag(self, tag, attrs):
        self.found += [value for name, value in attrs if name in ("href", "src") and value is not None]
        if tag == "img" and not (dict(attrs).get("alt") or "").strip():
            self.mute.append(dict(attrs).get("src"))


def references(page):
    parser = References()
    parser.feed(page)
    parser.close()
    return parser


def convert_guide(text):
    """The guide's title, and its text and contents as HTML."""
    title, separator, body = text.partition("\n")
    if not title.startswith("# ") or not separator:
        sys.exit("make_site: the guide does not start with its title, '# <title>'")
    converter = markdown.Markdown(extensions=["tables", "toc"], output_format="html")
    guide = converter.convert(body)
    contents = "\n".join(
        f'<li><a href="#{token["id"]}">{html.escape(html.unescape(token["name"]), quote=False)}</a></li>'
        for token in converter.toc_tokens)
    return title[2:].strip(), guide, f"<ul>\n{contents}\n</ul>"


def fill(template_path, values):
    with open(template_path, encoding="utf-8") as template:
        try:
            return string.Template(template.read()).substitute(values)
        except (KeyError, ValueError) as error:
            sys.exit(f"make_site: {template_path}: placeholder without a value: {error}")


def within(folder, name, what):
    """folder/name, which must lie in folder once joined and its symbolic
    links resolved: the guide's links choose the names read and written."""
    path = os.path.join(folder, name)
    top = os.path.realpath(folder)
    if os.path.commonpath([top, os.path.realpath(path)]) != top:
        sys.exit(f"make_site: {what}: {path} lies outside {folder}")
    return path


def write_zip(folder, path):
    names = sorted(os.path.relpath(os.path.join(top, name), folder).replace(os.sep, "/")
                   for top, _, files in os.walk(folder) for name in files)
    with zipfile.ZipFile(path + ".tmp", "w") as archive:
        for name in names:
            info = zipfile.ZipInfo(name, ZIP_DATE)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            with open(os.path.join(folder, name), "rb") as file:
                archive.writestr(info, file.read())
    os.replace(path + ".tmp", path)


def main():
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    source, site, site_zip, package, number, version = sys.argv[1:]
    if not re.fullmatch(r"[1-9][0-9]{0,3}", number):
        sys.exit(f"make_site: the program's number '{number}' is not one of 1 to 9999")
    with open(package, "rb") as file:
        package_bytes = file.read()
    with open(os.path.join(source, "docs", "NAVOD.md"), encoding="utf-8") as file:
        title, guide, contents = convert_guide(file.read())

    common = {"version": html.escape(version)}
    pages = {
        "index.html": fill(os.path.join(source, "site", "index.html"), dict(
            common, package=html.escape(os.path.basename(package)),
            size=f"{(len(package_bytes) + 1023) // 1024} KiB",
            sha256=hashlib.sha256(package_bytes).hexdigest())),
        "help.html": fill(os.path.join(source, "site", "help.html"), dict(
            common, title=html.escape(title, quote=False), contents=contents, guide=guide)),
    }

    shutil.rmtree(site, ignore_errors=True)
    os.makedirs(site)
    for name, page in pages.items():
        with open(within(site, name, name), "w", encoding="utf-8", newline="\n") as file:
            file.write(page)
    shutil.copyfile(os.path.join(source, "site", "style.css"), within(site, "style.css", "style.css"))
    shutil.copyfile(os.path.join(source, "res", "orbelan.ico"), within(site, "favicon.ico", "favicon.ico"))
    shutil.copyfile(package, within(site, os.path.basename(package), package))
    with open(within(site, "version.txt", "version.txt"), "wb") as file:
        file.write(f"{number}\r\n".encode("ascii"))

    for name, page in pages.items():
        found = references(page)
        if found.mute:
            sys.exit(f"make_site: {name}: pictures without an alt text: {', '.join(map(str, found.mute))}")
        for address in found.found:
            parts = urllib.parse.urlsplit(address)
            path = urllib.parse.unquote(parts.path)
            if (parts.scheme or parts.netloc or path.startswith("/") or "\\" in path or "\0" in path
                    or ".." in path.split("/")):
                sys.exit(f"make_site: {name} names {address}, which is not a file of the site")
            if not path:
                continue
            copy = within(site, path, f"{name} names {address}")
            if os.path.exists(copy):
                continue
            picture = within(os.path.join(source, "docs"), path, f"{name} names {address}")
            if not os.path.isfile(picture):
                sys.exit(f"make_site: {name} names {address}, which is neither made here nor in docs/")
            os.makedirs(os.path.dirname(copy), exist_ok=True)
            shutil.copyfile(picture, copy)

    write_zip(site, site_zip)
    print(f"make_site: {site} and {site_zip}")


if __name__ == "__main__":
    main()
