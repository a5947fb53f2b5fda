#!/usr/bin/env python3
"""Keeps the source tree's layout and names as the project wants them.

Reads every C++ file git tracks (*.cpp, *.h) and names file and line of
each of these:
  - a file under core/ that includes anything outside core/;
  - a file outside app/ (tests/ and bench/ aside) that includes a file of app/;
  - a non-ASCII identifier;
  - an identifier of a generated form (Form1, Command3, Text2, CD4, ...).
Names are looked for in code only: comments, string literals and character
literals (raw ones and u8/u/U/L ones too) are passed over, so an object name
"Command3" or a Japanese message is fine.

Usage: check_structure.py [SOURCE_DIR]    check the files git tracks there
       check_structure.py --self-test     check the checker on small cases
"""

import os
import re
import subprocess
import sys

GENERATED_STEMS = ("Form", "Command", "Text", "Combo", "Check", "Label", "Frame",
                   "Picture", "Option", "Line", "Delay", "ProgressBar", "CD", "MP")

# Letters, digits and "_", plus anything beyond ASCII: the compiler takes
# those into identifiers, so one stray character makes a whole name non-ASCII.
_IDENT_CHAR = "0-9A-Za-z_\x80-\U0010FFFF"

# One pass over the text, in the order the compiler reads it. Each match
# starts where a token starts, so "fooR" stays a name and never opens a raw
# string, and "1'000" stays a number and never opens a character literal.
_TOKEN = re.compile(r"""
    (?P<include>^[ \t]*\#[ \t]*include[ \t]*(?:"(?P<quoted>[^"\n]*)"|<(?P<angled>[^>\n]*)>))
  | (?P<comment>//(?:\\\r?\n|[^\n])*|/\*.*?(?:\*/|\Z))
  | (?P<raw>(?:u8|u|U|L)?R"(?P<delim>[^()\\\s"]{0,16})\(.*?\)(?P=delim)")
  | (?P<string>(?:u8|u|U|L)?"(?:\\.|\\\n|[^"\\\n])*")
  | (?P<char>(?:u8|u|U|L)?'(?:\\.|[^'\\\n])*')
  | (?P<number>\.?[0-9](?:[eEpP][+-]|'[0-9A-Za-z_]|[0-9A-Za-z_.])*)
  | (?P<generated>(?:%s)[0-9]+(?![%s]))
  | (?P<nonascii>[0-9A-Za-z_]*[\x80-\U0010FFFF][%s]*)
  | (?P<name>[A-Za-z_][0-9A-Za-z_]*)
""" % ("|".join(GENERATED_STEMS), _IDENT_CHAR, _IDENT_CHAR), re.S | re.M | re.X)


def _under(path, folder):
    return path.startswith(folder + "/")


def _resolve(including, included, tracked):
    """The tracked path a quoted include names: beside the including file
    first, then from the source root (the include directory every target
    has). None when neither is a file of the tree, unless it is spelled
    from the root (a generated header such as core/version.h)."""
    beside = os.path.normpath(os.path.join(os.path.dirname(including), included))
    if beside in tracked:
        return beside
    return os.path.normpath(included)


def check_text(path, text, tracked):
    """The problems of one file as (line, message) pairs."""
    problems = []
    line = 1
    counted = 0

    def line_at(pos):
        nonlocal line, counted
        line += text.count("\n", counted, pos)
        counted = pos
        return line

    for m in _TOKEN.finditer(text):
        kind = m.lastgroup
        if kind in ("name", "number", "comment", "string", "char", "raw"):
            continue
        if kind == "include":
            quoted = m.group("quoted")
            if quoted is not None:
                target = _resolve(path, quoted, tracked)
                shown = '"%s"' % quoted
            else:
                # <...> reaches the tree too when it names one of its files.
                target = os.path.normpath(m.group("angled"))
                if target not in tracked:
                    continue
                shown = "<%s>" % m.group("angled")
            if _under(path, "core") and not _under(target, "core"):
                problems.append((line_at(m.start()), "core/ includes %s, outside core/" % shown))
            if _under(target, "app") and not any(_under(path, top) for top in ("app", "tests", "bench")):
                problems.append((line_at(m.start()), "includes %s of app/ from outside app/" % shown))
        elif kind == "generated":
            problems.append((line_at(m.start()),
                             "generated name %s: name it for what it is (its objectName may keep the form)"
                             % m.group(kind)))
        elif kind == "nonascii":
            problems.append((line_at(m.start()), "non-ASCII identifier %s" % m.group(kind)))
    return problems


# CTest's SKIP_RETURN_CODE: a source tree that is not a git checkout (an
# unpacked release) has no list of tracked files to check.
SKIPPED = 77


def tracked_files(source_dir):
    """The C++ files git tracks, or None outside a git checkout."""
    try:
        done = subprocess.run(["git", "-C", source_dir, "ls-files", "-z", "--", "*.cpp", "*.h"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    except FileNotFoundError:
        return None
    if done.returncode != 0:
        return None
    return [p for p in done.stdout.decode("utf-8").split("\0") if p]


def check_tree(source_dir):
    files = tracked_files(source_dir)
    if files is None:
        print("structure: %s is not a git checkout (or git is missing): skipped" % source_dir)
        return SKIPPED
    tracked = set(files)
    count = 0
    for path in files:
        try:
            with open(os.path.join(source_dir, path), encoding="utf-8", newline="") as f:
                text = f.read()
        except FileNotFoundError:
            continue  # deleted in the working tree, not yet in the index
        except UnicodeDecodeError as e:
            print("%s: not UTF-8 (%s)" % (path, e))
            count += 1
            continue
        for line, message in check_text(path, text, tracked):
            print("%s:%d: %s" % (path, line, message))
            count += 1
    if count:
        print("%d structure problem(s) in %d files checked" % (count, len(files)))
        return 1
    print("structure: %d files checked, no problems" % len(files))
    return 0


# (path, text, lines that must be named) - an empty list: must pass.
SELF_TEST_CASES = [
    ("core/io/a.cpp", "int n\u00f6tig = 1;\n", [1]),
    ("core/io/a.cpp", "int x;\nauto \u540d\u524d = 2;\n", [2]),
    ("app/a.cpp", "QPushButton *Command1 = nullptr;\n", [1]),
    ("app/a.cpp", "b->setObjectName(QStringLiteral(\"Command1\"));\n", []),
    ("app/a.cpp", "// Command1 and \u540d\u524d in a comment\n/* Form2\n \u00e4 */ int ok;\n", []),
    ("app/a.cpp", "auto s = R\"x(Command1 \") \u00e4 Text2)x\"; int Text2;\n", [1]),
    ("app/a.cpp", "auto a = u8\"\u00e4\"; auto b = L'\u00e4'; auto c = U\"Form1\"; auto d = u'\\'';\n", []),
    ("app/a.cpp", "int CommandLine1, Command1x, MP3Player, CD;\n", []),
    ("app/a.cpp", "int n = 1'000'000; char c = 'x'; int Label12;\n", [1]),
    ("app/a.cpp", "auto s = QStringLiteral(\"\u5404\u7a2e\u8a2d\u5b9a\");\nauto *CD4 = new QWidget;\n", [2]),
    ("core/io/a.cpp", "#include \"app/main_window.h\"\n", [1, 1]),
    ("core/io/a.cpp", "#include \"platform/audio/player.h\"\n", [1]),
    ("core/io/a.cpp", "#include \"core/io/b.h\"\n#include \"b.h\"\n#include <QString>\n", []),
    ("core/io/a.cpp", "// #include \"app/main_window.h\"\n", []),
    ("cli/a.cpp", "#include \"app/app_info.h\"\n", [1]),
    ("cli/a.cpp", "#include <app/app_info.h>\n", [1]),
    ("tests/app/a.cpp", "#include \"app/app_info.h\"\n", []),
    ("bench/a.cpp", "#include \"app/app_info.h\"\n", []),
]


def self_test():
    tracked = {"app/main_window.h", "app/app_info.h", "core/io/b.h", "platform/audio/player.h"}
    failures = 0
    for path, text, expected in SELF_TEST_CASES:
        found = check_text(path, text, tracked)
        if sorted(line for line, _ in found) != sorted(expected):
            failures += 1
            print("self-test FAILED: %s %r: expected lines %s, got %s" % (path, text, expected, found))
    if failures:
        print("%d of %d self-test cases failed" % (failures, len(SELF_TEST_CASES)))
        return 1
    print("structure self-test: %d cases passed" % len(SELF_TEST_CASES))
    return 0


def main(argv):
    if len(argv) > 1 and argv[1] == "--self-test":
        return self_test()
    if len(argv) > 2 or (len(argv) == 2 and argv[1].startswith("-")):
        print("usage: check_structure.py [SOURCE_DIR] | --self-test", file=sys.stderr)
        return 2
    return check_tree(argv[1] if len(argv) == 2 else ".")


if __name__ == "__main__":
    sys.exit(main(sys.argv))
