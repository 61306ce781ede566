"""Lists the module in an installer package (MSI) as the versioned file that it is.

wixl writes no Version and no Language into the File table and a MsiFileHash row for each file.
Windows Installer's file versioning then takes the module for an unversioned file, and keeps a
versioned copy already in the folder rather than replacing it; a hash is for unversioned files
alone (learn.microsoft.com/windows/win32/msi/msifilehash-table). This writes the module's file
version and language into its File row and deletes its hash row, with msibuild (msitools).

usage: msi_versioned_file.py PACKAGE.msi MODULE
"""
import os
import subprocess
import sys

import identities


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    package, module = sys.argv[1:]
    version = identities.module_version(module)
    language = identities.module_language(module)
    # wixl names the File row by the File element's Id, which make_wxs.py makes the file's name.
    file_id = os.path.basename(module)
    subprocess.run(
        ["msibuild", package,
         "-q", f"UPDATE `File` SET `Version` = '{version}', `Language` = '{language}' "
               f"WHERE `File` = '{file_id}'",
         "-q", f"DELETE FROM `MsiFileHash` WHERE `File_` = '{file_id}'"],
        check=True)


if __name__ == "__main__":
    main()
