# The working copy's changes to a git checkout, laid over a copy of its commit; sourced.
# Run in the checkout: writes to the folder $1 the changed files and the untracked ones that are
# not ignored, as they are now, and removes there those that are deleted here.
copy_changes() { # folder
    git ls-files -z --modified --others --exclude-standard |
        tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -C "$1" -xf -
    git ls-files -z --deleted | (cd "$1" && xargs -0 -r rm -f)
}
