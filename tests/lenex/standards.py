#!/usr/bin/env python3
"""The qualifying times of an invitation read with nothing of the program's. For the events given
(eventid:sex, sex M or F) and an athlete of the given age without para class, prints per line
"eventid:sex|MAXIMUM time|MINIMUM time" in hundredths (empty when none applies): the lists the
event refers to, of the athlete's gender and age and of the event's course, with a time for the
event's style; of several, the slowest maximum and the fastest minimum."""
import sys
import zipfile
import xml.etree.ElementTree as ET


def hundredths(text):
    h, m, rest = text.split(':')
    s, c = rest.split('.')
    return ((int(h) * 60 + int(m)) * 60 + int(s)) * 100 + int(c)


def main(path, age, wanted):
    with zipfile.ZipFile(path) as archive:
        root = ET.fromstring(archive.read(next(n for n in archive.namelist() if n.lower().endswith('.lef'))))
    meet = root.find('MEETS/MEET')
    lists = {l.get('timestandardlistid'): l for l in root.iter('TIMESTANDARDLIST')}
    for want in wanted:
        eventid, sex = want.split(':')
        for session in meet.iter('SESSION'):
            for event in session.iter('EVENT'):
                if event.get('eventid') != eventid:
                    continue
                course = session.get('course') or meet.get('course')
                style = event.find('SWIMSTYLE')
                key = (style.get('distance'), style.get('relaycount', '1'), style.get('stroke'))
                found = {'MAXIMUM': [], 'MINIMUM': []}
                for ref in event.iter('TIMESTANDARDREF'):
                    l = lists.get(ref.get('timestandardlistid'))
                    if l is None or l.get('gender') != sex or l.get('handicap') or l.get('course') != course:
                        continue
                    group = l.find('AGEGROUP')
                    if group is not None:
                        low, high = int(group.get('agemin')), int(group.get('agemax'))
                        if (low >= 0 and age < low) or (high >= 0 and age > high):
                            continue
                    for t in l.iter('TIMESTANDARD'):
                        s = t.find('SWIMSTYLE')
                        if (s.get('distance'), s.get('relaycount', '1'), s.get('stroke')) == key:
                            found.setdefault(l.get('type', 'MAXIMUM'), []).append(hundredths(t.get('swimtime')))
                print('%s|%s|%s' % (want, max(found['MAXIMUM'], default=''), min(found['MINIMUM'], default='')))


if __name__ == '__main__':
    main(sys.argv[1], int(sys.argv[2]), sys.argv[3:])
