"""Fails on a Japanese text in a C++ source that does not go through Qt's translation: every string
literal holding Japanese must be the text of tr(), QCoreApplication::translate(), QT_TR_NOOP() or
QT_TRANSLATE_NOOP() (adjacent literals join it). Comments are ignored. Usage: outside.py FOLDER..."""
import os
import re
import sys

japanese = re.compile('[\u3000-\u30ff\u4e00-\u9fff\uff00-\uffef]')
# What stands before the text of a translation call, the call's context argument included.
opening = re.compile(r'(\btr|\bQT_TR_NOOP|\btranslate\s*\(\s*"[^"]*"\s*,|\bQT_TRANSLATE_NOOP\s*\(\s*"[^"]*"\s*,)\s*\(?\s*$')
token = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:[^"\\\n]|\\.)*"|\'(?:[^\'\\\n]|\\.)*\'', re.S)


def outside(text):
    """The Japanese literals of one file outside translation calls, with their line numbers."""
    found = []
    literals = []  # (start, end, text) of the string literals, comments left out
    for m in token.finditer(text):
        if m.group(0).startswith('"'):
            literals.append((m.start(), m.end(), m.group(0)))
    for i, (start, end, literal) in enumerate(literals):
        if not japanese.search(literal):
            continue
        # Back over the adjacent literals this one continues.
        first = i
        while first > 0 and text[literals[first - 1][1]:literals[first][0]].strip() == '':
            first -= 1
        before = text[:literals[first][0]]
        if not opening.search(before[-200:]):
            found.append((text.count('\n', 0, start) + 1, literal))
    return found


problems = []
for folder in sys.argv[1:]:
    for directory, _, files in os.walk(folder):
        for name in sorted(files):
            if name.endswith(('.cpp', '.h')):
                path = os.path.join(directory, name)
                with open(path, encoding='utf-8') as f:
                    for line, literal in outside(f.read()):
                        problems.append('%s:%d: %s' % (path, line, literal))
for p in problems:
    print('Japanese text outside tr():', p)
sys.exit(1 if problems else 0)
