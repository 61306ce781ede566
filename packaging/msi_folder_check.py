"""Makes an installer package (MSI) refuse a folder in which the module's path would be MAX_PATH
(260) characters or longer, as the module's own registration refuses such a path: a program that
is not long-path aware cannot load the module from there, so the control would be registered and
fail to be created.

Windows Installer's conditions cannot measure a string: an inline JScript action (type 37;
JScript rather than VBScript, which Windows is making an optional feature) measures INSTALLDIR
once CostFinalize has resolved it and sets a property, on which an error action (type 19) ends
the installation with a message. wixl writes neither; msibuild (msitools) adds them.

usage: msi_folder_check.py PACKAGE.msi MODULE
"""
import os
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


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    package, module = sys.argv[1], os.path.basename(sys.argv[2])
    # INSTALLDIR ends with a backslash; the module's path is INSTALLDIR and its name.
    measure = (f'if (Session.Property("INSTALLDIR").length + {len(module)} >= {MAX_PATH}) '
               f'Session.Property("{TOO_LONG}") = "1";')
    refuse = (f"The folder [INSTALLDIR] is too long: the path of {module} in it would be "
              f"{MAX_PATH} characters or more, which programs cannot load. Choose a shorter "
              "folder.")
    rows = [("MeasureInstallFolder", "37", "", measure), ("RefuseLongFolder", "19", "", refuse)]
    text = exported(package, "CustomAction") or "Action\tType\tSource\tTarget\n" \
        "s72\ti2\tS72\tS255\nCustomAction\tAction\n"
    lines = text.splitlines()[:3] + [line for line in text.splitlines()[3:] if line]
    columns = len(lines[0].split("\t"))
    lines += ["\t".join(row + ("",) * (columns - 4)) for row in rows]
    sequence = {line.split("\t")[0]: int(line.split("\t")[2])
                for line in exported(package, "InstallExecuteSequence").splitlines()[3:] if line}
    after = sequence["CostFinalize"]
    if {after + 1, after + 2} & set(sequence.values()):
        raise SystemExit(f"{package}: no room after CostFinalize ({after}) in the sequence")
    insert = ("INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) "
              "VALUES ('{}', '{}', {})")
    with tempfile.TemporaryDirectory() as scratch:
        idt = os.path.join(scratch, "CustomAction.idt")
        with open(idt, "w", encoding="utf-8") as out:
            out.write("\n".join(lines) + "\n")
        subprocess.run(["msibuild", package, "-i", idt,
                        "-q", insert.format("MeasureInstallFolder", "NOT Installed", after + 1),
                        "-q", insert.format("RefuseLongFolder", TOO_LONG, after + 2)],
                       check=True)


if __name__ == "__main__":
    main()
