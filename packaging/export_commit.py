"""Writes a commit's files to a folder exactly as the commit holds them, and checks them.

Every blob of the commit's tree is written byte for byte, with no line-end conversion, filter
or attribute of the checkout, the builder's configuration or the commit itself applied (git
archive applies them all, and reads $GIT_DIR/info/attributes besides); an executable blob
(mode 100755) is written executable, and every file is dated by the commit. A link (120000) or
a submodule (160000) is refused: a release ships files alone. Then the folder (but for build/,
the build trees that a later packaging reuses) must hold those files and no other, each with its
blob's hash: anything else fails before a build starts.

usage: export_commit.py COMMIT FOLDER
"""
import hashlib
import os
import subprocess
import sys


def git(*arguments, **options):
    return subprocess.run(["git", *arguments], check=True, capture_output=True, **options).stdout


def tree(commit):
    """{path: (mode, blob hash)} of every file in the commit."""
    files = {}
    for entry in git("ls-tree", "-r", "-z", "--full-tree", commit).split(b"\0"):
        if not entry:
            continue
        meta, path = entry.split(b"\t", 1)
        mode, kind, blob = meta.decode().split()
        path = os.fsdecode(path)
        if kind != "blob" or mode not in ("100644", "100755"):
            raise SystemExit(f"{path}: a {kind} of mode {mode} in commit {commit}; a release "
                             "ships files alone")
        files[path] = (mode, blob)
    return files


def blob_hash(data):
    return hashlib.sha1(b"blob %d\0" % len(data) + data).hexdigest()


def write(commit, files, folder):
    when = int(git("log", "-1", "--format=%ct", commit))
    paths = sorted(files)
    batch = git("cat-file", "--batch", input=b"".join(
        files[path][1].encode() + b"\n" for path in paths))
    at = 0
    for path in paths:
        header_end = batch.index(b"\n", at)
        size = int(batch[at:header_end].split()[2])
        data = batch[header_end + 1:header_end + 1 + size]
        at = header_end + 1 + size + 1
        target = os.path.join(folder, path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as out:
            out.write(data)
        os.chmod(target, 0o755 if files[path][0] == "100755" else 0o644)
        os.utime(target, (when, when))


def differences(files, folder):
    """What the folder holds otherwise than the commit, one line each."""
    found = {}
    for directory, subfolders, names in os.walk(folder):
        if directory == folder and "build" in subfolders:
            subfolders.remove("build")
        for name in names + [d for d in subfolders if os.path.islink(os.path.join(directory, d))]:
            full = os.path.join(directory, name)
            path = os.path.relpath(full, folder)
            if os.path.islink(full):
                found[path] = ("link", None)
                continue
            with open(full, "rb") as source:
                data = source.read()
            found[path] = ("100755" if os.access(full, os.X_OK) else "100644", blob_hash(data))
    lines = [f"{path}: not in the commit" for path in sorted(set(found) - set(files))]
    lines += [f"{path}: missing" for path in sorted(set(files) - set(found))]
    lines += [f"{path}: {found[path]} where the commit has {files[path]}"
              for path in sorted(set(files) & set(found)) if found[path] != files[path]]
    return lines


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    commit, folder = sys.argv[1:]
    files = tree(commit)
    write(commit, files, folder)
    wrong = differences(files, folder)
    if wrong:
        raise SystemExit("the exported files are not the commit's:\n" + "\n".join(wrong))


if __name__ == "__main__":
    main()
