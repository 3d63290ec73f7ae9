#!/usr/bin/env python3
"""The best times of a results file counted with nothing of the program's: for the club with the
most results (or the club code given), its athletes and their best individual time per style and
course. Prints JSON: {"club": {...}, "athletes": [[lastname, firstname, year], ...],
"best": [[athlete index, distance, stroke, technique, course, hundredths], ...]}."""
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
    events = {}
    for session in meet.iter('SESSION'):
        course = session.get('course') or meet.get('course') or ''
        for event in session.iter('EVENT'):
            style = event.find('SWIMSTYLE')
            events[event.get('eventid')] = (int(style.get('distance')), int(style.get('relaycount', '1')),
                                            style.get('stroke'), style.get('technique', ''), course.upper())
    clubs = list(meet.iter('CLUB'))
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
    return {'club': {'code': club.get('code', ''), 'name': club.get('name', '')}, 'athletes': athletes,
            'best': [list(k) + [v] for k, v in sorted(best.items())]}


if __name__ == '__main__':
    print(json.dumps(count(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None)))
