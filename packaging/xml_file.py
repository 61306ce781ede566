"""Writes an XML document the way Windows' manifest and installer tools expect to read it."""
import xml.etree.ElementTree as ET


def write(root, path):
    ET.indent(root)
    with open(path, "w", encoding="utf-8", newline="\r\n") as out:
        out.write('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n')
        out.write(ET.tostring(root, encoding="unicode"))
        out.write("\n")
