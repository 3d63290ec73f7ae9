#!/usr/bin/env python3
"""A LENEX file read with nothing of the program's. Prints JSON: "events" as
"eventid|number|gender|distance|relaycount|stroke|technique|age groups" and how many take entries;
for the club with the most results (or the club code given) "club", its "athletes" as
[lastname, firstname, year] and their "best" individual times per style and course as
"code|distance|stroke|technique|course|hundredths", the athletes numbered from 700000."""
import json
import sys
import xml.etree.ElementTree as ET
import zipfile


def hundredths(text):
    if not text or text == 'NT':
        return None
    h, m, rest = text.split(':')
    s, c = rest.split('.')
    value = ((int(h) * 60 + int(m)) * 60 + int(s)) * 100 + int(c)
    return value or None


def count(path, code=None):
    with zipfile.ZipFile(path) as archive:
        member = next(n for n in archive.namelist() if n.lower().endswith('.lef'))
        root = ET.fromstring(archive.read(member))
    meet = root.find('MEETS/MEET')
    if meet is None:
        return {'events': [], 'entryevents': 0}
    listed, first_rounds = [], 0
    for e in meet.iter('EVENT'):
        style = e.find('SWIMSTYLE')
        listed.append('|'.join(str(v) for v in (
            e.get('eventid'), e.get('number'), e.get('gender', 'A'), style.get('distance'),
            style.get('relaycount', '1'), style.get('stroke'), style.get('technique', ''),
            len(e.findall('AGEGROUPS/AGEGROUP')))))
        first_rounds += e.get('preveventid', '-1') == '-1'
    events = {}
    for session in meet.iter('SESSION'):
        course = session.get('course') or meet.get('course') or ''
        for event in session.iter('EVENT'):
            style = event.find('SWIMSTYLE')
            # A style of no known stroke is told apart by its name alone.
            unknown = style.get('stroke') == 'UNKNOWN'
            events[event.get('eventid')] = (int(style.get('distance')), int(style.get('relaycount', '1')),
                                            'UNKNOWN:' + style.get('name', '') if unknown else style.get('stroke'),
                                            '' if unknown else style.get('technique', ''), course.upper())
    clubs = list(meet.iter('CLUB'))
    if not clubs:
        return {'events': listed, 'entryevents': first_rounds}
    club = next(c for c in clubs if c.get('code') == code) if code else \
        max(clubs, key=lambda c: len(c.findall('ATHLETES/ATHLETE/RESULTS/RESULT')))
    athletes, best = [], {}
    for athlete in club.findall('ATHLETES/ATHLETE'):
        index = len(athletes)
        athletes.append([athlete.get('lastname'), athlete.get('firstname'), int(athlete.get('birthdate')[:4])])
        for result in athlete.findall('RESULTS/RESULT'):
            if result.get('status') not in (None, '', 'EXH') or result.get('eventid') not in events:
                continue
            distance, legs, stroke, technique, course = events[result.get('eventid')]
            time = hundredths(result.get('swimtime'))
            if legs != 1 or time is None or not course:
                continue
            key = (index, distance, stroke, technique, course)
            best[key] = min(time, best.get(key, time))
    return {'events': listed, 'entryevents': first_rounds, 'club': {'code': club.get('code', ''), 'name': club.get('name', '')}, 'athletes': athletes,
            'best': ['|'.join(str(v) for v in (700000 + k[0],) + k[1:] + (t,)) for k, t in sorted(best.items())]}


if __name__ == '__main__':
    print(json.dumps(count(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None)))
