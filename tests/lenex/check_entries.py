#!/usr/bin/env python3
"""Reads an entries .lxf as meet software would, with nothing of the program's: prints each
problem and exits 1 when there is one. With an invitation file after it, every entry must stand
on the invitation's own event: same eventid, number, gender and swim style, and an age group of it."""
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


def read(path):
    if not zipfile.is_zipfile(path):
        return ET.parse(path).getroot()
    with zipfile.ZipFile(path) as archive:
        members = [n for n in archive.namelist() if n.lower().endswith('.lef')]
        if len(members) != 1:
            raise ValueError(f'{len(members)} .lef members')
        return ET.fromstring(archive.read(members[0]))


def described(event):
    style = event.find('SWIMSTYLE')
    return (event.get('number'), event.get('gender', 'A'), style.get('distance'), style.get('relaycount'),
            style.get('stroke'), style.get('technique', ''))


def against(root, invitation):
    """Each entry's event as the invitation has it; the entries counted per event."""
    organiser = {e.get('eventid'): e for e in invitation.iter('EVENT')}
    ours = {e.get('eventid'): e for e in root.iter('EVENT')}
    found, events = [], set()
    for entry in root.iter('ENTRY'):
        event = organiser.get(entry.get('eventid'))
        if event is None:
            found.append(f'ENTRY of event {entry.get("eventid")} not in the invitation')
            continue
        events.add(event.get('eventid'))
        if described(event) != described(ours[event.get('eventid')]):
            found.append(f'event {event.get("eventid")}: {described(ours[event.get("eventid")])} for {described(event)}')
        groups = {g.get('agegroupid') for g in event.iter('AGEGROUP')}
        if entry.get('agegroupid') and entry.get('agegroupid') not in groups:
            found.append(f'ENTRY of event {event.get("eventid")} in age group {entry.get("agegroupid")}')
        markers = {r.get('marker') for r in event.iter('TIMESTANDARDREF') if r.get('marker')}
        if entry.get('marker') and entry.get('marker') not in markers:
            found.append(f'ENTRY of event {event.get("eventid")} marked {entry.get("marker")}, not a marker of its')
    return found, events


def problems(path, invitation=None):
    try:
        root = read(path)
    except ValueError as error:
        return [str(error)]
    found = []
    meet = root.find('MEETS/MEET')
    if meet is not None and not meet.get('course') and any(not s.get('course') for s in meet.iter('SESSION')):
        found.append('no course for MEET nor for every SESSION')
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
    if invitation:
        mismatches, events = against(root, read(invitation))
        found += mismatches
        print(f'{len(entries)} entries on {len(events)} events of the invitation', file=sys.stderr)
    return found


if __name__ == '__main__':
    listed = problems(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None)
    print('\n'.join(listed))
    sys.exit(1 if listed else 0)
