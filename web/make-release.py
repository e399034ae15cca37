#!/usr/bin/env python3
"""Makes the page's release files in SITE_DIR from the files there: version.json (the release,
VERSION and a hash of every file's content) and sw.js from TEMPLATE (a cache named after the
release and every file with its integrity hash). Usage: make-release.py SITE_DIR TEMPLATE VERSION"""
import base64
import hashlib
import json
import pathlib
import sys

# Made here, so not part of the hash they carry.
MADE = {"sw.js", "version.json"}


def integrity(data):
    return "sha256-" + base64.b64encode(hashlib.sha256(data).digest()).decode()


def main(site_dir, template, version):
    site = pathlib.Path(site_dir)
    files = sorted(p.name for p in site.iterdir() if p.is_file() and p.name not in MADE)
    hashes = {name: integrity((site / name).read_bytes()) for name in files}
    digest = hashlib.sha256("".join(f"{n} {h}\n" for n, h in hashes.items()).encode()).hexdigest()
    release = f"{version}-{digest[:12]}"
    version_json = (json.dumps({"release": release}) + "\n").encode()
    (site / "version.json").write_bytes(version_json)
    hashes["version.json"] = integrity(version_json)
    entries = [{"url": "./", "integrity": hashes["index.html"]}]
    entries += [{"url": name, "integrity": value} for name, value in sorted(hashes.items())]
    text = pathlib.Path(template).read_text()
    text = text.replace("@CACHE@", json.dumps(f"quintrel-{release}"))
    text = text.replace("@FILES@", json.dumps(entries, indent=1))
    (site / "sw.js").write_text(text)


if __name__ == "__main__":
    main(*sys.argv[1:])
