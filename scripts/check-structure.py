#!/usr/bin/env python3
# Checks the layout rules of the sources (src, app, tools, bench, fuzz, tests), run from the
# repository's top: every class, struct or union name defined once (at namespace or function
# scope; members of a class live in their owner's scope and are counted only with --members), no
# source file of 600 lines or more, and no two files, nor two modules (a.h and a.cpp as one),
# that include each other. Prints what breaks a rule and exits 1; prints nothing when all hold.
import collections
import os
import re
import sys

roots = ['src', 'app', 'tools', 'bench', 'fuzz', 'tests']
members = '--members' in sys.argv[1:]


def sources(endings):
    for root in roots:
        for folder, _, names in os.walk(root):
            for name in sorted(names):
                if name.endswith(endings):
                    yield os.path.join(folder, name)


def blanked(text):
    """The text with comments, strings and character literals replaced by spaces."""
    spaces = lambda m: re.sub(r'[^\n]', ' ', m.group())
    text = re.sub(r'//[^\n]*', spaces, text)
    text = re.sub(r'/\*.*?\*/', spaces, text, flags=re.S)
    text = re.sub(r'R"(\w*)\((.*?)\)\1"', spaces, text, flags=re.S)
    text = re.sub(r'"(?:\\.|[^"\\\n])*"', lambda m: '"' + ' ' * (len(m.group()) - 2) + '"', text)
    return re.sub(r"'(?:\\.|[^'\\\n])'", spaces, text)


head = re.compile(r'(?:template\s*<[^{;]*>\s*)?\b(class|struct|union|enum\s+class|enum\s+struct|enum|namespace)\b'
                  r'\s*(?:\[\[[^\]]*\]\]\s*)?(?:alignas\([^)]*\)\s*)?([A-Za-z_][\w:]*)?\s*(?:final\s*)?'
                  r'(?::(?!:)[^;{]*)?$', re.S)
before = re.compile(r'(?:typedef|static|inline|constexpr|\s|(?:public|private|protected|signals|'
                    r'(?:private |public )?slots)\s*:|Q_OBJECT|Q_GADGET)*')
failures = []

# Names defined more than once.
defined = collections.defaultdict(list)
for path in sources(('.h', '.cpp')):
    text = blanked(open(path, errors='replace').read())
    scopes, last = [], 0
    for at, c in enumerate(text):
        if c not in ';{}':
            continue
        if c == '{':
            statement = re.sub(r'^(?:#[^\n]*\n\s*)*', '', text[last:at].strip())
            m = head.search(statement) if statement else None
            kind = 'block'
            if m and m.group(1) == 'namespace':
                kind = 'namespace'
            elif m and not m.group(1).startswith('enum'):
                kind = 'class'
                name = m.group(2) or ''
                starts = m.start() == 0 or statement[m.start() - 1] in ' \n\t(,=)'
                if name and '::' not in name and starts and before.fullmatch(statement[:m.start()].strip()):
                    owner = len(scopes) - 1 - scopes[::-1].index('class') if 'class' in scopes else -1
                    if members or owner < 0 or 'block' in scopes[owner:]:
                        defined[name].append('%s:%d' % (path, text.count('\n', 0, at) + 1))
            scopes.append(kind)
        elif c == '}' and scopes:
            scopes.pop()
        last = at + 1
for name, places in sorted(defined.items()):
    if len(places) > 1:
        failures.append('%s defined %d times: %s' % (name, len(places), ' '.join(places)))

# Long files (the scripts too). A file may be longer when its opening lines say why: "one file on
# purpose".
roots.append('scripts')
for path in sources(('.h', '.cpp', '.py', '.sh')):
    text = open(path, errors='replace').read()
    lines = text.count('\n')
    if lines >= 600 and 'one file on purpose' not in '\n'.join(text.split('\n')[:20]).lower():
        failures.append('%s has %d lines' % (path, lines))
roots.remove('scripts')

# Files and modules that include each other.
files = list(sources(('.h', '.cpp')))
known = set(files)
edges = set()
for path in files:
    for name in re.findall(r'^\s*#\s*include\s+"([^"]+)"', open(path, errors='replace').read(), re.M):
        target = os.path.normpath(os.path.join(os.path.dirname(path), name))
        if target not in known:
            found = [f for f in files if f == name or f.endswith('/' + name)]
            if len(found) != 1:
                continue
            target = found[0]
        edges.add((path, target))
module = lambda path: os.path.splitext(path)[0]
for a, b in sorted(edges):
    if a < b and (b, a) in edges:
        failures.append('%s and %s include each other' % (a, b))
modules = {(module(a), module(b)) for a, b in edges if module(a) != module(b)}
for a, b in sorted(modules):
    if a < b and (b, a) in modules:
        failures.append('modules %s and %s include each other' % (a, b))

print('\n'.join(failures), end='\n' if failures else '')
sys.exit(1 if failures else 0)
