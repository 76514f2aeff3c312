#!/usr/bin/env python3
"""The release archive of the host developer's kit (cmake/dist.cmake).

  sums KIT FILE...
      writes KIT/SHA256SUMS for the kit's files (paths relative to KIT, in
      the form `sha256sum -c` reads) and removes every other file from KIT,
      so that the folder holds the kit and nothing left over from an earlier
      layout.
  zip KIT NAME CHANGELOG VERSION OUTPUT FILE...
      writes OUTPUT, a zip of the kit's files and SHA256SUMS under the folder
      NAME/. The archive is the same bytes whenever and wherever it is made
      from the same files: entries in sorted order, every entry dated with
      the release date of VERSION in CHANGELOG (its heading "## VERSION -
      YYYY-MM-DD"), fixed permissions, no extra fields. Beside it,
      OUTPUT.sha256 holds its checksum in the form `sha256sum -c` reads, with
      the archive's bare file name, so that it checks in any folder that
      holds both.

FILE is a path relative to KIT, "/" separated."""
import hashlib
import os
import re
import sys
import zipfile

SUMS = "SHA256SUMS"


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest()


def write_sums(kit, files):
    wanted = set(files) | {SUMS}
    for root, _, names in os.walk(kit):
        for name in names:
            rel = os.path.relpath(os.path.join(root, name), kit).replace(os.sep, "/")
            if rel not in wanted:
                print("release.py: removing %s, which the kit no longer holds" % rel)
                os.remove(os.path.join(kit, rel))
    lines = ["%s  %s\n" % (sha256(os.path.join(kit, f)), f) for f in sorted(files)]
    with open(os.path.join(kit, SUMS), "w", newline="\n") as out:
        out.writelines(lines)
    return 0


def release_date(changelog, version):
    """(year, month, day) of the changelog's heading for the version."""
    pattern = re.compile(r"^## +%s +- +(\d{4})-(\d{2})-(\d{2}) *$" % re.escape(version))
    with open(changelog, encoding="utf-8") as f:
        for line in f:
            m = pattern.match(line.rstrip("\n"))
            if m:
                return tuple(int(g) for g in m.groups())
    raise SystemExit("release.py: %s has no heading \"## %s - YYYY-MM-DD\"" % (changelog, version))


def write_zip(kit, name, changelog, version, output, files):
    date = release_date(changelog, version) + (0, 0, 0)
    entries = sorted(set(files) | {SUMS})
    temp = output + ".part"
    with zipfile.ZipFile(temp, "w") as z:
        for rel in entries:
            info = zipfile.ZipInfo("%s/%s" % (name, rel), date_time=date)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so that the mode below is read
            executable = rel.lower().endswith((".exe", ".dll"))
            info.external_attr = (0o100755 if executable else 0o100644) << 16
            with open(os.path.join(kit, rel), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    os.replace(temp, output)
    with open(output + ".sha256", "w", newline="\n") as out:
        out.write("%s  %s\n" % (sha256(output), os.path.basename(output)))
    return 0


def main(argv):
    if len(argv) >= 3 and argv[1] == "sums":
        return write_sums(argv[2], argv[3:])
    if len(argv) >= 7 and argv[1] == "zip":
        return write_zip(argv[2], argv[3], argv[4], argv[5], argv[6], argv[7:])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
