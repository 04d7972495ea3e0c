#!/usr/bin/python3
"""`brisma-server feed --json` beside python3-feedparser over the same generated files, one
process per file for both; per-file wall and CPU time and peak memory. Then the reading alone,
each side in one process (bench_feed_read beside the server in the build).

    bench/feed_vs_feedparser.py build/src/server/brisma-server [FILES]
"""
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

# python3-feedparser is installed for the system's Python.
DEBIAN_PYTHON = "/usr/bin/python3"

FEEDPARSER = """import json, sys, feedparser
d = feedparser.parse(sys.argv[1])
print(json.dumps({"title": d.feed.get("title"), "link": d.feed.get("link"),
                  "items": [{"id": e.get("id"), "title": e.get("title"), "link": e.get("link"),
                             "date": e.get("published", e.get("updated"))} for e in d.entries]},
                 ensure_ascii=False))
"""

FEEDPARSER_LOOP = """import sys, time, feedparser
bodies = [open(p, "rb").read() for p in sys.argv[1:]]
start = time.perf_counter()
for _ in range(2):
    for body in bodies:
        feedparser.parse(body)
print((time.perf_counter() - start) * 1e6 / (2 * len(bodies)))
"""

WORDS = ["東京", "株価", "台風", "選挙", "新製品", "Qt", "C++", "野球", "天気", "市場", "news", "update",
         "速報", "記念式典", "髙橋", "①", "～"]


def title(rng, html, entities=False):
    words = " ".join(rng.choice(WORDS) for _ in range(rng.randint(3, 9)))
    if html and rng.random() < 0.3:
        return "&lt;b&gt;" + words + "&lt;/b&gt; &amp;amp; more" + ("&hellip;" if entities else "&amp;hellip;")
    if html and rng.random() < 0.3:
        return "<![CDATA[" + words + " <br/> &amp; co]]>"
    return words.replace("&", "&amp;")


def rss2(rng, n):
    items = "".join(
        f"<item><title>{title(rng, True)}</title><link>https://n.example.jp/a/{i}</link>"
        f"<pubDate>Wed, 0{rng.randint(1, 9)} Dec 2025 {rng.randint(0, 23):02d}:{rng.randint(0, 59):02d}:00 +0900</pubDate>"
        f"<description>{title(rng, False)}</description></item>\n" for i in range(n))
    return f'<rss version="2.0"><channel><title>News</title><link>https://n.example.jp/</link><ttl>10</ttl>\n{items}</channel></rss>'


def rss091(rng, n):
    # The DTD of RSS 0.91 names HTML's entities; feeds of this shape use them bare.
    items = "".join(f"<item><title>{title(rng, True, True)}</title><link>http://o.example.com/{i}</link></item>\n"
                    for i in range(n))
    return ('<!DOCTYPE rss PUBLIC "-//Netscape Communications//DTD RSS 0.91//EN" '
            '"http://my.netscape.com/publish/formats/rss-0.91.dtd">\n'
            f'<rss version="0.91"><channel><title>Old</title><link>http://o.example.com/</link>{items}</channel></rss>')


def rdf(rng, n):
    items = "".join(
        f'<item rdf:about="https://r.example.jp/{i}"><title>{title(rng, True)}</title>'
        f"<link>https://r.example.jp/{i}</link><dc:date>2025-12-0{rng.randint(1, 9)}T0{rng.randint(0, 9)}:00:00+09:00</dc:date></item>\n"
        for i in range(n))
    return ('<rdf:RDF xmlns="http://purl.org/rss/1.0/" xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" '
            'xmlns:dc="http://purl.org/dc/elements/1.1/"><channel rdf:about="https://r.example.jp/"><title>RDF</title>'
            f"<link>https://r.example.jp/</link></channel>\n{items}</rdf:RDF>")


def atom(rng, n):
    entries = "".join(
        f'<entry><title type="html">{title(rng, True)}</title><link rel="alternate" href="p/{i}.html"/>'
        f"<id>tag:a.example.org,2025:{i}</id><updated>2025-12-0{rng.randint(1, 9)}T10:00:00Z</updated></entry>\n"
        for i in range(n))
    return (f'<feed xmlns="http://www.w3.org/2005/Atom" xml:base="https://a.example.org/"><title>Atom</title>'
            f'<link href="/"/><id>tag:a.example.org,2025:feed</id>\n{entries}</feed>')


def jsonfeed(rng, n):
    import json
    return json.dumps({"version": "https://jsonfeed.org/version/1.1", "title": "JSON", "home_page_url": "https://j.example.com/",
                       "items": [{"id": str(i), "url": f"https://j.example.com/{i}", "title": title(rng, False),
                                  "date_published": "2025-12-01T00:00:00Z"} for i in range(n)]}, ensure_ascii=False)


SHAPES = [("rss2", rss2, "utf-8"), ("rss2-sjis", rss2, "cp932"), ("rss2-eucjp", rss2, "euc_jp"),
          ("rss091", rss091, "latin-1"), ("rdf", rdf, "utf-8"), ("rdf-sjis", rdf, "cp932"), ("atom", atom, "utf-8"),
          ("json", jsonfeed, "utf-8")]
LABELS = {"utf-8": "UTF-8", "cp932": "Shift_JIS", "euc_jp": "EUC-JP", "latin-1": "ISO-8859-1"}


def generate(folder, count):
    rng = random.Random(26)
    files = []
    for k in range(count):
        name, make, encoding = SHAPES[k % len(SHAPES)]
        n = rng.choice([5, 10, 20, 50, 100, 200])
        text = make(rng, n)
        if encoding == "latin-1":
            text = text.replace("東京", "Café").encode("ascii", "ignore").decode()
        if name != "json":
            text = f'<?xml version="1.0" encoding="{LABELS[encoding]}"?>\n' + text
        path = os.path.join(folder, f"{k:03d}-{name}.{'json' if name == 'json' else 'xml'}")
        with open(path, "wb") as f:
            f.write(text.encode(encoding, "ignore"))
        files.append(path)
    return files


def run(args):
    start = time.perf_counter()
    p = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(p.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit(f"failed: {' '.join(args)}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def summary(name, runs):
    wall = [r[0] * 1000 for r in runs]
    cpu = [r[1] * 1000 for r in runs]
    rss = [r[2] / 1024 for r in runs]
    print(f"{name:12} wall ms/file: median {statistics.median(wall):7.1f} mean {statistics.mean(wall):7.1f} | "
          f"cpu ms/file: median {statistics.median(cpu):7.1f} mean {statistics.mean(cpu):7.1f} | "
          f"peak MiB: median {statistics.median(rss):6.1f} max {max(rss):6.1f}")
    return statistics.median(wall), statistics.median(cpu), statistics.mean(cpu)


def main():
    server = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    with tempfile.TemporaryDirectory() as folder:
        files = generate(folder, count)
        ours, theirs = [], []
        for path in files:  # interleaved, so load on the machine falls on both alike
            ours.append(run([server, "feed", "--json", path]))
            theirs.append(run([DEBIAN_PYTHON, "-c", FEEDPARSER, path]))
        print(f"{len(files)} files, {sum(os.path.getsize(f) for f in files) // 1024} KiB, shapes: "
              + ", ".join(s[0] for s in SHAPES))
        a = summary("brisma feed", ours)
        b = summary("feedparser", theirs)
        print(f"faster per file: wall (median) {b[0] / a[0]:.1f}x, cpu (median) {b[1] / a[1]:.1f}x, "
              f"cpu (mean) {b[2] / a[2]:.1f}x")
        # The reading alone, in one process for each side: what a file costs once started.
        ours_read = float(subprocess.run([os.path.join(os.path.dirname(server), "..", "..", "bench", "bench_feed_read")]
                                         + files, check=True, capture_output=True, text=True).stdout)
        theirs_read = float(subprocess.run([DEBIAN_PYTHON, "-c", FEEDPARSER_LOOP] + files, check=True,
                                           capture_output=True, text=True).stdout)
        print(f"reading alone, in one process: {ours_read / 1000:.2f} ms against {theirs_read / 1000:.2f} ms per file, "
              f"{theirs_read / ours_read:.1f}x")

if __name__ == "__main__":
    main()
