#!/usr/bin/env python3
"""Packs the release archive for Windows users:

    make-dist.py OUT_DIR VERSION README_UTF8 FILE...

writes OUT_DIR/zarvilo-VERSION.zip holding the FILEs, README.txt (the
README in UTF-8 with a byte order mark and CR LF line ends, which Notepad
reads right whatever the system's code page) and SHA256SUMS over them all,
in a folder zarvilo-VERSION. The archive depends on the files' bytes alone:
entries sorted, every date the same, no owner or permission bits from here,
and the files stored, not compressed, so that no zlib version can change a
byte: two builds of one commit give the same archive.
"""

import hashlib
import os
import sys
import zipfile

FIXED_DATE = (2005, 1, 18, 0, 0, 0)


def entry(folder, name, data):
    info = zipfile.ZipInfo(folder + "/" + name, date_time=FIXED_DATE)
    info.compress_type = zipfile.ZIP_STORED
    info.create_system = 0  # no Unix mode bits
    return info, data


def main(out_dir, version, readme, *files):
    folder = "zarvilo-" + version
    contents = {"README.txt": open(readme, encoding="utf-8").read().replace("\n", "\r\n").encode("utf-8-sig")}
    for path in files:
        with open(path, "rb") as data:
            contents[os.path.basename(path)] = data.read()
    sums = "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name) for name, data in sorted(contents.items()))
    contents["SHA256SUMS"] = sums.encode()
    os.makedirs(out_dir, exist_ok=True)
    archive = os.path.join(out_dir, folder + ".zip")
    with zipfile.ZipFile(archive, "w") as out:
        for name in sorted(contents):
            out.writestr(*entry(folder, name, contents[name]))
    print(archive)
    return 0


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
