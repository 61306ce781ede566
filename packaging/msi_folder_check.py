"""Makes an installer package (MSI) refuse a folder in which the module's path would be MAX_PATH
(260) characters or longer, as the module's own registration refuses such a path: a program that
is not long-path aware cannot load the module from there, so the control would be registered and
fail to be created.

Windows Installer's conditions cannot measure a string, and script actions fail where no script
engine may run: a native action (type 1, folder_check.c built as a DLL of the package's bitness,
in the Binary table) compares INSTALLDIR with QUORVANE_FOLDER_LIMIT once CostFinalize has
resolved it and sets a property, on which an error action (type 19) ends the installation with a
message. wixl writes none of these; msibuild (msitools) adds them.

usage: msi_folder_check.py PACKAGE.msi MODULE FOLDER_CHECK.dll
"""
import os
import shutil
import subprocess
import sys
import tempfile

MAX_PATH = 260
TOO_LONG = "QUORVANE_FOLDER_TOO_LONG"


def exported(package, table):
    """The table's IDT text, or None if the package has no such table."""
    result = subprocess.run(["msiinfo", "export", package, table], capture_output=True,
                            text=True)
    return result.stdout if result.returncode == 0 else None


def with_rows(text, rows):
    """An IDT table's text with rows added (blank lines dropped)."""
    lines = text.splitlines()[:3] + [line for line in text.splitlines()[3:] if line]
    columns = len(lines[0].split("\t"))
    return "\n".join(lines + ["\t".join(row + ("",) * (columns - len(row))) for row in rows]) + "\n"


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    package, module, dll = sys.argv[1], os.path.basename(sys.argv[2]), sys.argv[3]
    # INSTALLDIR ends with a backslash; the module's path is INSTALLDIR and its name, which
    # must stay below MAX_PATH characters.
    limit = MAX_PATH - 1 - len(module)
    refuse = (f"The folder [INSTALLDIR] is too long: the path of {module} in it would be "
              f"{MAX_PATH} characters or more, which programs cannot load. Choose a shorter "
              "folder.")
    actions = with_rows(
        exported(package, "CustomAction") or "Action\tType\tSource\tTarget\n"
        "s72\ti2\tS72\tS255\nCustomAction\tAction\n",
        [("MeasureInstallFolder", "1", "FolderCheck", "MeasureInstallFolder"),
         ("RefuseLongFolder", "19", "", refuse)])
    properties = with_rows(exported(package, "Property"),
                           [("QUORVANE_FOLDER_LIMIT", str(limit))])
    sequence = {line.split("\t")[0]: int(line.split("\t")[2])
                for line in exported(package, "InstallExecuteSequence").splitlines()[3:] if line}
    after = sequence["CostFinalize"]
    if {after + 1, after + 2} & set(sequence.values()):
        raise SystemExit(f"{package}: no room after CostFinalize ({after}) in the sequence")
    insert = ("INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) "
              "VALUES ('{}', '{}', {})")
    with tempfile.TemporaryDirectory() as scratch:
        # An IDT file names a stream's data by a file in a folder named after its table, which
        # msibuild looks for in its current folder.
        os.mkdir(os.path.join(scratch, "Binary"))
        shutil.copy(dll, os.path.join(scratch, "Binary", "FolderCheck.dll"))
        tables = {"CustomAction": actions, "Property": properties,
                  "Binary": "Name\tData\ns72\tv0\nBinary\tName\nFolderCheck\tFolderCheck.dll\n"}
        imports = []
        for table, text in tables.items():
            with open(os.path.join(scratch, f"{table}.idt"), "w", encoding="utf-8") as out:
                out.write(text)
            imports += ["-i", os.path.join(scratch, f"{table}.idt")]
        subprocess.run(["msibuild", os.path.abspath(package), *imports,
                        "-q", insert.format("MeasureInstallFolder", "NOT Installed", after + 1),
                        "-q", insert.format("RefuseLongFolder", TOO_LONG, after + 2)],
                       check=True, cwd=scratch)


if __name__ == "__main__":
    main()
