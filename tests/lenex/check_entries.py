#!/usr/bin/env python3
"""Reads an entries .lxf as meet software would, with nothing of the program's: prints each
problem and exits 1 when there is one."""
import re
import sys
import xml.etree.ElementTree as ET
import zipfile

REQUIRED = {
    'CONSTRUCTOR': ['name', 'version'], 'CONTACT': ['email'], 'MEET': ['name', 'city', 'nation'],
    'SESSION': ['number', 'date'], 'EVENT': ['eventid', 'number'],
    'SWIMSTYLE': ['distance', 'relaycount', 'stroke'], 'CLUB': ['name'],
    'ATHLETE': ['athleteid', 'lastname', 'firstname', 'birthdate', 'gender'],
    'RELAY': ['number', 'gender', 'agemin', 'agemax', 'agetotalmin', 'agetotalmax'],
    'ENTRY': ['eventid', 'entrytime'], 'AGEGROUP': ['agegroupid', 'agemin', 'agemax'],
}
TIME = re.compile(r'^(NT|\d\d:\d\d:\d\d\.\d\d)$')
DATE = re.compile(r'^\d{4}-\d\d-\d\d$')


def problems(path):
    with zipfile.ZipFile(path) as archive:
        members = [n for n in archive.namelist() if n.lower().endswith('.lef')]
        if len(members) != 1:
            return [f'{len(members)} .lef members']
        root = ET.fromstring(archive.read(members[0]))
    found = []
    if root.tag != 'LENEX' or root.get('version') != '3.0':
        found.append(f'root {root.tag} version {root.get("version")}')
    for element in root.iter():
        for name in REQUIRED.get(element.tag, []):
            if element.get(name) is None:
                found.append(f'{element.tag} without {name}')
        for name in ('date', 'birthdate'):
            if element.get(name) is not None and not DATE.match(element.get(name)):
                found.append(f'{element.tag} {name}={element.get(name)}')
    events = {e.get('eventid') for e in root.iter('EVENT')}
    entries = list(root.iter('ENTRY'))
    for entry in entries:
        if entry.get('eventid') not in events:
            found.append(f'ENTRY of unknown event {entry.get("eventid")}')
        if not TIME.match(entry.get('entrytime', '')):
            found.append(f'entry time {entry.get("entrytime")}')
    if not entries:
        found.append('no ENTRY')
    return found


if __name__ == '__main__':
    listed = problems(sys.argv[1])
    print('\n'.join(listed))
    sys.exit(1 if listed else 0)
