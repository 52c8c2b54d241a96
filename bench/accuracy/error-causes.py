#!/usr/bin/env python3
"""Error causes of recognised pages: aligns each page's output with its ground
truth (both normalised as ocr-score does for CER-spaces: lines stripped, inner
white space one space, full-width ASCII forms other than the seven Chinese
punctuation marks made ASCII) and sorts every edit into a cause.

usage: error-causes.py SCORE GT_DIR HYP_DIR [--tiers] [--examples N]

SCORE is the ocr-score script (its normalisation is reused). Consecutive edits
form one run; a run is classified by what the page has and what was read, and
counts as many edits as the alignment spent on it. Prints one table of causes
with their edit counts, over all pages and, with --tiers, per tier.
"""
import argparse
import collections
import importlib.machinery
import importlib.util
import os
import sys

DOTS = set("·．.、，,’‘'`")
LATIN_PUNCT = set("()[]{}:;!?-_/\\|\"'<>=+*&^%$#@~`")
DASHES = set("-—―－")


def load_score(path):
    loader = importlib.machinery.SourceFileLoader("ocr_score", path)
    spec = importlib.util.spec_from_loader("ocr_score", loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module


def align(ref, hyp):
    """Edit operations of a shortest alignment: (ref segment, hyp segment) per
    run of consecutive edits."""
    n, m = len(ref), len(hyp)
    # Row-by-row DP keeping back pointers compactly: 0 match/sub, 1 del, 2 ins.
    back = []
    prev = list(range(m + 1))
    for i in range(1, n + 1):
        cur = [i] + [0] * m
        row = bytearray(m + 1)
        row[0] = 1
        r = ref[i - 1]
        for j in range(1, m + 1):
            sub = prev[j - 1] + (r != hyp[j - 1])
            dele = prev[j] + 1
            ins = cur[j - 1] + 1
            if sub <= dele and sub <= ins:
                cur[j] = sub
            elif dele <= ins:
                cur[j] = dele
                row[j] = 1
            else:
                cur[j] = ins
                row[j] = 2
        back.append(row)
        prev = cur
    ops = []
    i, j = n, m
    while i > 0 or j > 0:
        if i == 0:
            ops.append(("", hyp[j - 1]))
            j -= 1
        elif j == 0:
            ops.append((ref[i - 1], ""))
            i -= 1
        else:
            b = back[i - 1][j]
            if b == 0:
                ops.append((ref[i - 1], hyp[j - 1]))
                i -= 1
                j -= 1
            elif b == 1:
                ops.append((ref[i - 1], ""))
                i -= 1
            else:
                ops.append(("", hyp[j - 1]))
                j -= 1
    ops.reverse()
    runs = []
    cur_r, cur_h, cost = [], [], 0
    for r, h in ops:
        if r == h:
            if cost:
                runs.append(("".join(cur_r), "".join(cur_h), cost))
            cur_r, cur_h, cost = [], [], 0
            continue
        cur_r.append(r)
        cur_h.append(h)
        cost += 1
    if cost:
        runs.append(("".join(cur_r), "".join(cur_h), cost))
    return runs


def is_hanzi(ch):
    return "\u4e00" <= ch <= "\u9fff" or "\u3400" <= ch <= "\u4dbf"


def is_alnum(ch):
    return ch.isascii() and ch.isalnum()


def is_punct(ch):
    return not is_hanzi(ch) and not is_alnum(ch) and ch != " "


def classify(ref, hyp):
    r = ref.replace(" ", "")
    h = hyp.replace(" ", "")
    if not r and not h:
        return "spaces inserted" if hyp else "spaces lost"
    if set(r) <= set("。") and r and set(h) <= set("OoＯ0o") and h:
        return "。 read as O/o"
    if r and set(r) <= DASHES and "一" in h:
        return "- / —— read as 一"
    if r and h and len(r) == len(h) and all(
            (a in "()[]:;,!?" and b in "（）［］：；，！？" and ord(b) - 0xFEE0 == ord(a)) or
            (b in "()[]:;,!?" and a in "（）［］：；，！？" and ord(a) - 0xFEE0 == ord(b))
            for a, b in zip(r, h)):
        return "ASCII / full-width form of ( ) : ,"
    if set(r) & set("「」") or (not r and set(h) & set("「」")):
        return "「」 misread"
    if not r:
        if all(c in DOTS for c in h):
            return "dots, commas, quotes inserted"
        if all(is_punct(c) for c in h):
            return "other punctuation inserted"
        return "junk letters and signs inserted"
    if not h:
        if all(is_punct(c) for c in r):
            return "punctuation lost"
        if all(is_hanzi(c) for c in r):
            return "hanzi lost"
        return "letters, digits lost"
    rh = sum(map(is_hanzi, r))
    hh = sum(map(is_hanzi, h))
    if rh and rh == len(r):
        if len(h) > len(r) and any(not is_hanzi(c) for c in h):
            return "hanzi split into pieces"
        if len(h) < len(r):
            return "hanzi merged or lost"
        if hh == len(h):
            return "hanzi read as another hanzi"
        return "hanzi read as a sign or letter"
    if all(is_alnum(c) for c in r) and all(is_alnum(c) or is_punct(c) for c in h):
        return "Latin letters and digits"
    if all(is_punct(c) for c in r) and all(is_punct(c) for c in h):
        return "punctuation confused"
    if all(is_punct(c) for c in r) and hh:
        return "punctuation read as hanzi"
    return "other"


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("score")
    ap.add_argument("gt")
    ap.add_argument("hyp")
    ap.add_argument("--tiers", action="store_true", help="also one column per tier")
    ap.add_argument("--examples", type=int, default=0, help="show N examples per cause")
    args = ap.parse_args()
    score = load_score(args.score)
    totals = collections.Counter()
    per_tier = collections.defaultdict(collections.Counter)
    examples = collections.defaultdict(list)
    for rel in score.find_pages(args.gt):
        with open(os.path.join(args.gt, rel), encoding="utf-8-sig") as f:
            ref_text = f.read()
        path = os.path.join(args.hyp, rel)
        hyp_text = score.read_text(path)[0] if os.path.exists(path) else ""
        tier = rel.split(os.sep)[0]
        for r, h, cost in align(score.normalise_spaced(ref_text), score.normalise_spaced(hyp_text)):
            cause = classify(r, h)
            totals[cause] += cost
            per_tier[tier][cause] += cost
            if len(examples[cause]) < args.examples:
                examples[cause].append("%s→%s" % (r or "∅", h or "∅"))
    tiers = sorted(per_tier) if args.tiers else []
    print("%-38s %7s" % ("cause", "edits") + "".join(" %10s" % t[:10] for t in tiers))
    for cause, n in totals.most_common():
        line = "%-38s %7d" % (cause, n) + "".join(" %10d" % per_tier[t][cause] for t in tiers)
        if examples[cause]:
            line += "   " + "  ".join(examples[cause])
        print(line)
    print("%-38s %7d" % ("all", sum(totals.values())) +
          "".join(" %10d" % sum(per_tier[t].values()) for t in tiers))
    return 0


if __name__ == "__main__":
    sys.exit(main())
