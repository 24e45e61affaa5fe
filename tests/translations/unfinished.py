"""Compares a committed catalogue with the one lupdate made from it and the sources: a text the
sources hold without a finished translation, or a translation the sources no longer use, fails.
Usage: unfinished.py COMMITTED.ts UPDATED.ts"""
import sys
import xml.etree.ElementTree as ET


def messages(path):
    found = {}
    for context in ET.parse(path).getroot().iter('context'):
        name = context.findtext('name')
        for message in context.iter('message'):
            translation = message.find('translation')
            finished = translation is not None and translation.get('type') is None and bool(translation.text)
            found[(name, message.findtext('source'))] = finished
    return found


committed, updated = sys.argv[1], sys.argv[2]
old, new = messages(committed), messages(updated)
problems = ['untranslated in %s: [%s] %r' % (committed, c, s) for (c, s), done in new.items() if not done]
problems += ['no longer in the sources, still in %s: [%s] %r' % (committed, c, s) for (c, s) in old if (c, s) not in new]
for p in problems:
    print(p)
if problems:
    print('Run `cmake --build build --target update_translations`, then translate in Qt Linguist.')
sys.exit(1 if problems else 0)
