#!/usr/bin/python3
"""Marks the site's files with their build, and writes the site's service
worker, sw.js, from its template: the files it keeps for a visit without a
network, the SHA-256 of each as marked, and the build's name. Run at build
time, once the program is linked, and again on a site already marked (as
the web test does on a copy it changes), which it marks anew:

  offline.py SITE TEMPLATE FILE...

The name is the first 16 hex digits of the SHA-256 of a list of each file
of the site but sw.js, unmarked, by its name and SHA-256, in the order of
their names: a change to any of them makes a new name.

The mark is "blobs build" and the name. The page carries it in a meta
element of its own, and each script and style in a comment at its end;
blobs.wasm in a custom section named "blobs", which WebAssembly sets aside
for tools. By it the worker tells a file of another build of the demo from
anything else that a host may serve in its place: a build's icons and
manifest, which cannot carry it, it knows by their SHA-256 alone."""
import hashlib
import os
import re
import sys

PLACE = b'@BLOBS_BUILD@'     # where a mark names the build, until it is known
MARK = re.compile(rb'blobs build (?:[0-9a-f]{16}|@BLOBS_BUILD@)')
COMMENT = b'\n/* blobs build ' + PLACE + b' */\n'   # added to a script or style without a mark
SECTION = b'blobs'           # the custom section of blobs.wasm that holds its mark


def leb128(data, at):
    """The unsigned LEB128 number at AT in DATA, and where it ends."""
    value = shift = 0
    while True:
        byte = data[at]
        value |= (byte & 0x7f) << shift
        at += 1
        shift += 7
        if byte < 0x80:
            return value, at


def unmark_wasm(data):
    """The module DATA without its sections named SECTION."""
    kept, at = [data[:8]], 8
    while at < len(data):
        size, body = leb128(data, at + 1)
        end = body + size
        named, name = leb128(data, body) if data[at] == 0 else (0, body)
        if data[at] != 0 or data[name:name + named] != SECTION:
            kept.append(data[at:end])
        at = end
    return b''.join(kept)


def wasm_mark(build):
    """The custom section SECTION that holds BUILD's mark."""
    body = bytes([len(SECTION)]) + SECTION + b'blobs build ' + build
    return b'\0' + bytes([len(body)]) + body   # both sizes below 128: one byte each


def main():
    site, template, files = sys.argv[1], sys.argv[2], sys.argv[3:]
    found, unmarked = {}, {}
    for name in sorted(os.listdir(site)):
        path = os.path.join(site, name)
        if name == 'sw.js' or not os.path.isfile(path):
            continue
        with open(path, 'rb') as f:
            data = found[name] = f.read()
        if name.endswith('.wasm'):
            data = unmark_wasm(data)
        elif name.endswith(('.html', '.js', '.css')):
            data = MARK.sub(b'blobs build ' + PLACE, data)
            if PLACE not in data:
                if name.endswith('.html'):
                    sys.exit('offline.py: %s has no meta element for its mark' % path)
                data = data.rstrip(b'\n') + COMMENT
        unmarked[name] = data
    missing = [name for name in files if name not in found]
    if missing:
        sys.exit('offline.py: %s, to be kept, missing from %s' % (' '.join(missing), site))
    listed = ''.join('%s %s\n' % (name, hashlib.sha256(data).hexdigest()) for name, data in unmarked.items())
    build = hashlib.sha256(listed.encode()).hexdigest()[:16]

    sums = {}
    for name, data in unmarked.items():
        if name.endswith('.wasm'):
            data += wasm_mark(build.encode())
        else:
            data = data.replace(PLACE, build.encode())
        if data != found[name]:
            with open(os.path.join(site, name), 'wb') as f:
                f.write(data)
        sums[name] = hashlib.sha256(data).hexdigest()
    with open(template, 'rb') as f:
        worker = f.read().decode()
    worker = worker.replace('@BLOBS_BUILD@', build)
    worker = worker.replace('@BLOBS_FILES@', ', '.join("'%s'" % name for name in files))
    worker = worker.replace('@BLOBS_SHA256@', ',\n  '.join("'%s'" % sums[name] for name in files))
    with open(os.path.join(site, 'sw.js'), 'wb') as f:
        f.write(worker.encode())


if __name__ == '__main__':
    main()
