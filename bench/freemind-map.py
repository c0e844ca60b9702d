#!/usr/bin/env python3
"""Writes a FreeMind map like the benchmarks' rich map, for whole-process measurements.

Ten themes under one root, four to eight children a topic filled breadth first up to the topic
count, texts of 5 to 40 characters, a note on every fifth topic. The same count always gives the
same file.

    bench/freemind-map.py COUNT OUT.mm
"""
import collections
import html
import random
import sys


def text(low=5, high=40):
    words = ["plan", "budget", "review", "idea", "task", "goal", "risk", "team", "launch", "draft",
             "notes", "open", "market", "design", "test"]
    wanted, t = random.randint(low, high), ""
    while len(t) < wanted:
        t += (" " if t else "") + random.choice(words)
    return t[:wanted]


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    total, path = int(sys.argv[1]), sys.argv[2]
    random.seed(20240601)
    names = {1000: "One thousand topics", 10000: "Ten thousand topics", 50000: "Fifty thousand topics"}
    root = {"text": names.get(total, "%d topics" % total), "children": []}
    queue = collections.deque()
    for _ in range(10):
        theme = {"text": text(), "children": []}
        root["children"].append(theme)
        queue.append(theme)
    count = 11
    while count < total and queue:
        parent = queue.popleft()
        for _ in range(random.randint(4, 8)):
            if count >= total:
                break
            node = {"text": text(), "children": []}
            if count % 5 == 0:
                node["note"] = text(20, 120)
            parent["children"].append(node)
            queue.append(node)
            count += 1
    out = ['<map version="1.0.1">']
    # Depth first with a stack of its own: the tree is shallow, but nothing here should depend on it.
    stack = [(root, 0, False)]
    while stack:
        node, depth, closing = stack.pop()
        if closing:
            out.append("</node>")
            continue
        attributes = 'TEXT="%s"' % html.escape(node["text"], quote=True)
        if depth == 1:
            attributes += ' POSITION="%s"' % random.choice(["left", "right"])
        out.append("<node %s>" % attributes)
        if "note" in node:
            out.append('<richcontent TYPE="NOTE"><html><body><p>%s</p></body></html></richcontent>'
                       % html.escape(node["note"]))
        stack.append((node, depth, True))
        for child in reversed(node["children"]):
            stack.append((child, depth + 1, False))
    out.append("</map>")
    with open(path, "w") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
