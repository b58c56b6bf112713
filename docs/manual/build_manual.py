#!/usr/bin/python3
"""Builds one user manual PDF from its Markdown source.

Markdown (python3-markdown) -> HTML with a cover page and a table of contents
-> PDF (WeasyPrint), both from Debian's packages. The source starts with a
block of "key: value" lines between two "---" lines (title, subtitle, version,
edition); the rest is Markdown. A screenshot is a line of its own,

    ![Caption](images/name.png)

with the path relative to the manual folder. Screenshots that are not there
yet are left out of the PDF and named on standard error, so the manual builds
before they are taken.
"""

import argparse
import html
import pathlib
import re
import sys

import markdown
import weasyprint

SCREENSHOT = re.compile(r"^!\[(?P<caption>[^\]]*)\]\((?P<path>[^)\s]+)\)\s*$")

CONTENTS_TITLE = {"en": "Contents", "ja": "目次"}


def split_front_matter(text):
    lines = text.splitlines()
    if not lines or lines[0].strip() != "---":
        return {}, text
    meta = {}
    for index in range(1, len(lines)):
        line = lines[index]
        if line.strip() == "---":
            return meta, "\n".join(lines[index + 1:]) + "\n"
        key, _, value = line.partition(":")
        meta[key.strip()] = value.strip()
    raise SystemExit("front matter is not closed by a '---' line")


def place_screenshots(body, base, missing):
    """Turns screenshot lines into figures; drops those whose file is absent."""
    out = []
    for line in body.splitlines():
        match = SCREENSHOT.match(line)
        if not match:
            out.append(line)
            continue
        path = base / match.group("path")
        if not path.is_file():
            missing.append(match.group("path"))
            continue
        caption = html.escape(match.group("caption"))
        out.append("")
        out.append(
            '<figure><img src="{}" alt="{}"><figcaption>{}</figcaption></figure>'.format(
                html.escape(path.resolve().as_uri()), caption, caption))
        out.append("")
    return "\n".join(out) + "\n"


# Han, kana, CJK punctuation and full-width forms.
CJK = "\u3000-\u30ff\u3400-\u4dbf\u4e00-\u9fff\uff00-\uffef"
SOFT_BREAK_IN_CJK = re.compile("([{0}])\\n[ \\t]*([{0}])".format(CJK))
PREFORMATTED = re.compile(r"(<pre>.*?</pre>)", re.S)


def join_cjk_lines(content):
    """A line break inside Japanese text is no word space: drops it outside <pre>."""
    parts = PREFORMATTED.split(content)
    for index in range(0, len(parts), 2):
        parts[index] = SOFT_BREAK_IN_CJK.sub(r"\1\2", parts[index])
    return "".join(parts)


def contents_list(tokens):
    """Nested list of chapters (level 1) and sections (level 2) with links."""
    items = []
    for token in tokens:
        children = ""
        if token["children"]:
            children = "<ul>{}</ul>".format("".join(
                '<li class="toc2"><a href="#{}">{}</a></li>'.format(child["id"], child["name"])
                for child in token["children"]))
        items.append('<li class="toc1"><a href="#{}">{}</a>{}</li>'.format(
            token["id"], token["name"], children))
    return "<ul class=\"toc\">{}</ul>".format("".join(items))


def build(args):
    source = pathlib.Path(args.source)
    meta, body = split_front_matter(source.read_text(encoding="utf-8"))
    missing = []
    body = place_screenshots(body, pathlib.Path(args.base), missing)

    converter = markdown.Markdown(
        extensions=["tables", "toc", "attr_list", "fenced_code", "admonition", "sane_lists"],
        extension_configs={"toc": {"toc_depth": "1-2"}},
        output_format="html5")
    content = converter.convert(body)
    if args.lang == "ja":
        content = join_cjk_lines(content)

    title = html.escape(meta.get("title", "KLV Loader"))
    cover = """
<section class="cover">
  <img class="cover-icon" src="{icon}" alt="">
  <p class="product">KLV Loader</p>
  <h1 class="cover-title">{title}</h1>
  <p class="subtitle">{subtitle}</p>
  <p class="version">{version}</p>
  <p class="edition">{edition}</p>
</section>
<nav class="contents">
  <h1 class="contents-title">{contents_title}</h1>
  {contents}
</nav>
""".format(
        icon=html.escape(pathlib.Path(args.icon).resolve().as_uri()),
        title=title,
        subtitle=html.escape(meta.get("subtitle", "")),
        version=html.escape(meta.get("version", "")),
        edition=html.escape(meta.get("edition", "")),
        contents_title=CONTENTS_TITLE.get(args.lang, "Contents"),
        contents=contents_list(converter.toc_tokens))

    page = """<!DOCTYPE html>
<html lang="{lang}">
<head>
<meta charset="utf-8">
<title>{title}</title>
<meta name="author" content="the KLV Loader developers">
<meta name="generator" content="python3-markdown, WeasyPrint">
</head>
<body>
{cover}
<main>
{content}
</main>
</body>
</html>
""".format(lang=args.lang, title=title, cover=cover, content=content)

    if args.html:
        pathlib.Path(args.html).write_text(page, encoding="utf-8")

    document = weasyprint.HTML(string=page, base_url=str(source.parent.resolve()))
    document.write_pdf(args.output, stylesheets=[weasyprint.CSS(filename=args.css)])

    for path in missing:
        print("{}: screenshot not there yet, left out: {}".format(source.name, path), file=sys.stderr)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lang", required=True, choices=["en", "ja"])
    parser.add_argument("--source", required=True, help="Markdown source")
    parser.add_argument("--css", required=True, help="style sheet")
    parser.add_argument("--icon", required=True, help="picture for the cover page")
    parser.add_argument("--base", required=True, help="folder that screenshot paths start from")
    parser.add_argument("--output", required=True, help="PDF to write")
    parser.add_argument("--html", help="also write the intermediate HTML here")
    build(parser.parse_args())


if __name__ == "__main__":
    main()
