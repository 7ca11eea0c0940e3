"""Writes a zip that depends only on the files' names and bytes and on one given time.

    release_zip.py OUT.zip SOURCE_DATE_EPOCH FILE...

Each FILE is stored under its own name, in name order, dated SOURCE_DATE_EPOCH (UTC: a zip
holds local times without a zone, and none before 1980), as a plain rw-r--r-- file with no
owner and no extra time fields. Archivers otherwise take all of these from the file system,
where they differ between builds.
"""
import sys
import time
import zipfile
from pathlib import Path


def main(out, epoch, files):
    date_time = max(time.gmtime(int(epoch))[:6], (1980, 1, 1, 0, 0, 0))
    with zipfile.ZipFile(out, "w") as archive:
        for path in sorted(map(Path, files), key=lambda p: p.name):
            entry = zipfile.ZipInfo(path.name, date_time)
            entry.create_system = 3  # Unix, as CPack's zip: a plain file, rw-r--r--
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, path.read_bytes(), compresslevel=9)


if __name__ == "__main__":
    if len(sys.argv) < 4 or not sys.argv[2].isdigit():
        sys.exit(__doc__.strip())
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
