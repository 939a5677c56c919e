#!/usr/bin/env python3
"""The JSON report of Stellwick.com, read as a management system reads it: both commands'
documents validate against the schema the zip ships, and agree with themselves.

Usage: report_schema_test.py SCHEMA STELLWICK_COM BACKUP_DIR (WINEPREFIX and WINE_LOADER set)
"""
import json
import os
import subprocess
import sys

import jsonschema

RUNNER = os.path.join(os.path.dirname(__file__), '..', '..', 'scripts', 'wine-run.sh')
KEY = r'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths'


def wine(*args):
    return subprocess.run([RUNNER, *args], capture_output=True)


def report(program, *switches):
    run = wine(program, *switches, '/format:json')
    return run.returncode, json.loads(run.stdout.decode('utf-8'))


def main():
    schema_file, program, backups = sys.argv[1:4]
    backups = 'Z:' + backups.replace('/', '\\')  # the Unix folder as the program sees it
    schema = json.load(open(schema_file, encoding='utf-8'))
    wine('reg', 'delete', KEY, '/f')
    for name, path in [('broken.exe', r'C:\Tarnwell\Missing\broken.exe'), ('drive.exe', r'Q:\drive.exe'),
                       ('present.exe', r'C:\windows\notepad.exe')]:
        wine('reg', 'add', KEY + '\\' + name, '/ve', '/d', path, '/f')
    faults = []
    for command, switches, code in [('list', ['/list'], 1), ('clean', ['/clean', '/backup:' + backups], 0)]:
        rc, document = report(program, *switches)
        try:
            jsonschema.validate(document, schema, cls=jsonschema.Draft202012Validator)
        except jsonschema.ValidationError as error:
            faults.append('%s: %s' % (command, error.message))
        actions = {f['name']: f['action'] for f in document['findings']}
        expected = {'broken.exe': 'deleted', 'drive.exe': 'left-unverifiable'} if command == 'clean' else \
            {'broken.exe': 'none', 'drive.exe': 'none'}
        summary = document['summary']
        if rc != code or document['command'] != command or actions != expected or \
                (summary['broken'], summary['unverifiable'], summary['looked']) != (1, 1, 3) or \
                len(document['backups']) != (command == 'clean'):
            faults.append('%s: exit %d, %s' % (command, rc, json.dumps(document)))
    wine('reg', 'delete', KEY, '/f')
    for fault in faults:
        print('report schema: ' + fault)
    print('report schema: %d faults' % len(faults))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
