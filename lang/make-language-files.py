#!/usr/bin/env python3
"""Writes the language files DLan_<Language>.ini of this folder from the texts in texts/.

Translators work in texts/<Language>.txt, UTF-8, one "section.key = value" per line ("#" starts a
comment line). This script puts every key in the order the program reads it, fills in the texts
that are the same in every language (the product name, the version, the web address, the
e-mail address: all taken from the program's string table, so they are written once), and
encodes the file in its language's Windows code page, as the program reads language files in
the system's code page. A missing or unknown key, or a text the code page cannot hold, stops it.

    python3 lang/make-language-files.py          (run from anywhere; rewrites lang/DLan_*.ini)
"""
import pathlib
import re
import sys

HERE = pathlib.Path(__file__).resolve().parent
TABLE = HERE.parent / "src" / "settings" / "string_table.inc"

# The language menu's languages in menu order, with each language's Windows code page. "Other"
# has no file of its own: choosing it says the file is missing and leads to the translation page.
MENU_LANGUAGES = [
    ("BrazilianPortuguese", 1252), ("Chinese", 936), ("Czech", 1250), ("Danish", 1252),
    ("Dutch", 1252), ("English", 1252), ("Finnish", 1252), ("French", 1252), ("German", 1252),
    ("Greek", 1253), ("Italian", 1252), ("Japanese", 932), ("Kurdish", 1254), ("Polish", 1250),
    ("Portuguese", 1252), ("Russian", 1251), ("Slovenian", 1250), ("Spanish", 1252),
    ("Swedish", 1252), ("Turkish", 1254), ("Ukranian", 1251),
]
LANGUAGES = MENU_LANGUAGES

# Every key the windows read, per section, in reading order. None: the text is translated;
# a string: the same text in every language ("{...}" filled from the string table).
# The four figures of the main window (lCurrentRegistrySize, lNewRegistrySize, lSizeReduction,
# lCompactPercent) are left out on purpose: a file that holds them overwrites the figures an
# analysis has shown whenever the language is switched afterwards.
SECTIONS = [
    ("frmMain", [
        ("frmMain", "{title}"), ("lTitle1", None), ("bAnalyzeRegistry", None),
        ("bAnalyzeRegistryHint", None), ("bDefragRegistry", None), ("bDefragRegistryHint", None),
        ("bOptions", None), ("bOptionsHint", None), ("Label1", None), ("Label3", None),
        ("Label2", None), ("lTitle3", None), ("bLanguage", None), ("bLanguageHint", None),
        ("bAbout", None), ("bAboutHint", None), ("bHomepage", None), ("bHomepageHint", None),
        ("lLastWashed", None), ("Label4", None), ("Label5", None), ("lCompactPercent1", None),
        ("URLLabel1", "{host}"), ("bCloseHint", None), ("Label6", None), ("bExit", None),
        ("bExitHint", None), ("lTitle", "{title} {version}"), ("lvMain_Column0", None),
        ("lvMain_Column1", None), ("lvMain_Column2", None), ("lvMain_Column3", None),
        ("bMinimizeHint", None),
    ]),
    ("Menu_frmMain", [("pmiHelp", None), ("Homepage1", None), ("pmiCheckUpdate", None), ("pmiUndo", None), ("About1", None)]
        + [("mi" + name, None) for name, _ in MENU_LANGUAGES] + [("miOther", None)]),
    ("frmAbout", [
        ("frmAbout", None), ("Label1", "{title}"), ("lCopywrite", None), ("Label3", None),
        ("lbEAddress", "{home}"), ("Label2", None), ("Panel2", ""), ("bOK", None),
    ]),
    ("frmAskDelete", [
        ("frmAskDelete", None), ("Label2", None), ("Label3", None), ("cbAsk", None),
        ("GroupBox1", ""), ("Label1", None), ("bOK", None), ("bCancel", None), ("Panel2", ""),
    ]),
    ("frmGetNewHiveProgess", [
        ("frmGetNewHiveProgess", None), ("bStop", None), ("GroupBox1", ""), ("Label1", None),
        ("Label2", None),
    ]),
    ("frmOptions", [
        ("frmOptions", None), ("GroupBox2", ""), ("cbAskBeforeDefrag", None), ("cbShowLines", None),
        ("cbCreateRestore", None), ("bOK", None), ("bCancel", None),
    ]),
    ("frmSystemPoint", [
        ("frmSystemPoint", None), ("SkinGroupBox1", ""), ("lScanTask", None), ("Label1", None),
        ("Label3", None), ("Label2", None),
    ]),
    ("ResourceString", [("RES_Not_Found", None), ("RES_Analyze_NoSuccess", None)]),
]


def string_table():
    text = TABLE.read_text(encoding="ascii")
    defines = dict(re.findall(r'^#define (KV_\w+) "([^"]*)"', text, re.M))
    entries = {}
    for constant, value in re.findall(r'^KV_STRING\(\d+, (\w+), "[^"]*", (.*)\)$', text, re.M):
        entries[constant] = defines[value] if value in defines else value.strip('"')
    home = entries["HomePageAddress"]
    return {
        "title": entries["ProductTitle"],
        "version": entries["VersionNumber"],
        "home": home,
        "host": re.sub(r"^\w+://(www\.)?", "", home).rstrip("/"),
        "email": entries["SupportEmailAddress"],
    }


def read_texts(path):
    texts = {}
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        name, sep, value = line.partition("=")
        if not sep or "." not in name:
            sys.exit(f"{path}:{number}: expected 'section.key = value'")
        texts[name.strip()] = value.strip()
    return texts


def main():
    fill = string_table()
    missing = []
    for language, code_page in LANGUAGES:
        source = HERE / "texts" / f"{language}.txt"
        if not source.exists():
            missing.append(language)
            continue
        texts = read_texts(source)
        used = set()
        lines = [f"; {language} texts of Varnel Kelvara, Windows code page {code_page}.",
                 "; Generated by make-language-files.py from texts/" + source.name + "; edit that file."]
        for section, keys in SECTIONS:
            lines.append("")
            lines.append(f"[{section}]")
            for key, fixed in keys:
                name = f"{section}.{key}"
                if fixed is not None:
                    value = fixed.format(**fill)
                elif name in texts:
                    value = texts[name].format(**fill)
                    used.add(name)
                else:
                    sys.exit(f"{source}: no text for {name}")
                lines.append(f"{key}={value}")
        unknown = sorted(set(texts) - used)
        if unknown:
            sys.exit(f"{source}: keys the program does not read: {', '.join(unknown)}")
        data = "\r\n".join(lines) + "\r\n"
        try:
            encoded = data.encode(f"cp{code_page}")
        except UnicodeEncodeError as error:
            sys.exit(f"{source}: {error}")
        (HERE / f"DLan_{language}.ini").write_bytes(encoded)
    print(f"make-language-files: wrote {len(LANGUAGES) - len(missing)} files into {HERE}")
    if missing:
        sys.exit("make-language-files: no texts yet for " + ", ".join(missing))


if __name__ == "__main__":
    main()
