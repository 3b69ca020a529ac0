"""The portable zip of the Windows build: one folder, qarn-VERSION-win64,
holding the installed files (cmake --install into STAGE) and README.txt with
CRLF line ends. The same files give the same zip, bit for bit: the entries
are sorted, every time stamp is SOURCE_DATE_EPOCH's (UTC, rounded down to
the two seconds a zip time holds), and no owner, mode or extra field of the
build machine goes in.

    python3 make-zip.py --stage STAGE --readme README.txt --version 0.44 \\
        --epoch 1765000000 --out qarn-0.44-win64.zip
"""

import argparse
import os
import time
import zipfile


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--stage", required=True)
    ap.add_argument("--readme", required=True)
    ap.add_argument("--version", required=True)
    ap.add_argument("--epoch", type=int, required=True)
    ap.add_argument("--out", required=True)
    a = ap.parse_args()

    # Zip times start in 1980.
    stamp = time.gmtime(max(a.epoch, 315532800))[:6]
    root = "qarn-%s-win64/" % a.version
    with open(a.readme, encoding="utf-8") as f:
        readme = f.read().replace("@VERSION@", a.version)
    members = {"README.txt": readme.replace("\r\n", "\n").replace("\n", "\r\n").encode()}
    for dirpath, _, names in os.walk(a.stage):
        for name in names:
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, a.stage).replace(os.sep, "/")
            with open(path, "rb") as f:
                members[rel] = f.read()

    tmp = a.out + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for rel in [""] + sorted(members):
            info = zipfile.ZipInfo(root + rel, date_time=stamp)
            info.create_system = 0
            if rel:
                info.compress_type = zipfile.ZIP_DEFLATED
                info.external_attr = 0x20  # archive
                z.writestr(info, members[rel], compresslevel=9)
            else:
                info.external_attr = 0x10  # directory
                z.writestr(info, b"")
    os.replace(tmp, a.out)


if __name__ == "__main__":
    main()
