#!/usr/bin/env python3
"""The third-party notices of the Qt DLLs the Windows program ships, from Qt's own attribution files.

Qt's source names every piece of third-party code, data or text it carries in qt_attribution.json
files (what, where, under which licence, with the licence's text in a file beside it). Which of
them are inside a given DLL depends on the platform and the features built, so that is read from
the build itself: ninja's graph (what each DLL is linked from, down through the bundled static
libraries and generated sources) and its dependency log (every header and included source file
each object was compiled from).

  record <build folder> <source folder> <prefix> [<source folder as the build knew it>]
      At build time, into <prefix>/attributions: built-files.txt, one line per DLL and source
      file ("Qt6Core.dll<TAB>src/3rdparty/zlib/src/adler32.c"), and a copy of every
      qt_attribution.json with the licence files it names, at their places in the source tree.
      The build and source folders may then go.
  notices <prefix>/attributions <output folder>
      For the Windows zip: one text per component found in a shipped DLL, and an index
      (README.txt) of which DLL carries which component under which licence. CR LF line ends.
"""

import json
import os
import re
import shutil
import subprocess
import sys

# The DLLs the program ships, by the ninja output that builds them.
SHIPPED = {
    "bin/Qt6Core.dll": "Qt6Core.dll",
    "bin/Qt6Gui.dll": "Qt6Gui.dll",
    "bin/Qt6Widgets.dll": "Qt6Widgets.dll",
    "bin/Qt6Network.dll": "Qt6Network.dll",
    "plugins/platforms/qwindows.dll": "platforms/qwindows.dll",
    "plugins/styles/qwindowsvistastyle.dll": "styles/qwindowsvistastyle.dll",
}


def split_ninja_paths(text):
    """The paths of a ninja build line's part, with $-escapes undone."""
    paths, current, i = [], "", 0
    while i < len(text):
        c = text[i]
        if c == "$" and i + 1 < len(text):
            current += text[i + 1]
            i += 2
            continue
        if c == " ":
            if current:
                paths.append(current)
            current = ""
        else:
            current += c
        i += 1
    if current:
        paths.append(current)
    return paths


def read_graph(build):
    """Each output's edge: (all outputs, explicit and implicit inputs); order-only ones are left
    out, as they order the build and put nothing into the output."""
    edges = {}
    with open(os.path.join(build, "build.ninja"), encoding="utf-8") as f:
        text = f.read().replace("$\n", "")
    # The build folder's own files are named relative to it, or absolute (as CMake passes
    # generated sources to the compiler), or through this variable: all are made relative.
    workdir = re.search(r"^cmake_ninja_workdir = (.*)$", text, re.M)
    workdir = workdir.group(1) if workdir else None
    text = text.replace("${cmake_ninja_workdir}", "")

    def relative(path):
        return path[len(workdir):] if workdir and path.startswith(workdir) else path

    for line in text.split("\n"):
        if not line.startswith("build "):
            continue
        # "build outs | implicit outs: rule ins | implicit ins || order-only ins"
        match = re.match(r"build ((?:[^:$]|\$.)*):\s*(\S+)(.*)$", line)
        if not match:
            continue
        outputs = [relative(o) for o in split_ninja_paths(match.group(1)) if o != "|"]
        inputs = split_ninja_paths(match.group(3))
        if "||" in inputs:
            inputs = inputs[: inputs.index("||")]
        inputs = [relative(i) for i in inputs if i != "|"]
        edge = (outputs, inputs)
        for output in outputs:
            edges[output] = edge
    return edges


def read_deps(build):
    """The headers and included files of every object, from ninja's dependency log."""
    out = subprocess.run(["ninja", "-C", build, "-t", "deps"], check=True, capture_output=True,
                         text=True).stdout
    deps, current = {}, None
    for line in out.split("\n"):
        if line and not line.startswith(" "):
            current = line.split(":")[0]
            deps[current] = []
        elif line.strip() and current is not None:
            deps[current].append(line.strip())
    return deps


def files_of(target, edges, deps):
    """Every file `target` is made from, through static libraries and generated files, but not
    through another DLL (whose import library a link names)."""
    seen, todo, files = set(), [target], set()
    while todo:
        node = todo.pop()
        if node in seen:
            continue
        seen.add(node)
        files.add(node)
        if node.endswith(".obj") and node not in deps:
            sys.exit(f"qt-attributions: the dependency log has nothing for {node}: not built?")
        files.update(deps.get(node, []))
        edge = edges.get(node)
        if edge is None:
            continue
        outputs, inputs = edge
        if node != target and any(o.endswith(".dll") for o in outputs):
            continue
        todo.extend(inputs)
    return files


def record(build, source, prefix, known_source=None):
    known_source = os.path.normpath(known_source or source)
    edges, deps = read_graph(build), read_deps(build)
    # Made aside and moved into place, so that a record that failed half-way is no record.
    final = os.path.join(prefix, "attributions")
    out = final + ".new"
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    lines = []
    for target, dll in SHIPPED.items():
        if target not in edges:
            sys.exit(f"qt-attributions: the build has no {target}")
        for path in files_of(target, edges, deps):
            absolute = os.path.normpath(os.path.join(build, path))
            if absolute.startswith(known_source + os.sep):
                lines.append(f"{dll}\t{os.path.relpath(absolute, known_source)}")
    with open(os.path.join(out, "built-files.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(sorted(set(lines))) + "\n")
    for folder, _, names in os.walk(source):
        if "qt_attribution.json" not in names:
            continue
        relative = os.path.relpath(folder, source)
        wanted = ["qt_attribution.json"]
        for entry in load_entries(os.path.join(folder, "qt_attribution.json")):
            wanted += license_files(entry)
        for name in wanted:
            src = os.path.normpath(os.path.join(folder, name))
            if os.path.isfile(src):
                dst = os.path.join(out, os.path.relpath(src, source))
                os.makedirs(os.path.dirname(dst), exist_ok=True)
                shutil.copyfile(src, dst)
    shutil.rmtree(final, ignore_errors=True)
    os.rename(out, final)
    print(f"qt-attributions: recorded {len(lines)} built files into {final}")


def load_entries(path):
    """The entries of one qt_attribution.json. Qt writes them with line breaks inside strings
    and with keys given twice (the later one counts), which a lenient reading accepts."""
    with open(path, encoding="utf-8") as f:
        data = json.loads(f.read(), strict=False)
    return data if isinstance(data, list) else [data]


def license_files(entry):
    names = entry.get("LicenseFiles") or entry.get("LicenseFile") or []
    if isinstance(names, str):
        names = [n.strip() for n in names.split(",")]
    return [n for n in names if n]


def covered_paths(entry, folder):
    """The source paths (relative to the source tree) an entry speaks of: its named files where
    they exist in the source, else its whole folder."""
    named = []
    for key in ("Files", "Path"):
        value = entry.get(key)
        if isinstance(value, str):
            named += value.split()
    return [os.path.normpath(os.path.join(folder, n)) for n in named] or [folder]


def is_header(path):
    return os.path.splitext(path)[1] in (".h", ".hh", ".hpp", ".hxx")


def notices(attributions, output):
    built = {}
    with open(os.path.join(attributions, "built-files.txt"), encoding="utf-8") as f:
        for line in f:
            dll, path = line.rstrip("\n").split("\t")
            built.setdefault(path, set()).add(dll)
    components = []
    for folder, _, names in sorted(os.walk(attributions)):
        if "qt_attribution.json" not in names:
            continue
        relative = os.path.relpath(folder, attributions)
        for entry in load_entries(os.path.join(folder, "qt_attribution.json")):
            paths = covered_paths(entry, relative)
            # A DLL carries a component when it was built from one of its sources or data
            # files. Its headers alone count only for a component that is headers (tables of
            # data, as the Unicode locale data): a DLL that only included zlib.h to call zlib
            # in another DLL does not carry zlib.
            only_headers = all(is_header(p) for p in paths)
            dlls = set()
            for path, in_dlls in built.items():
                if any(path == p or path.startswith(p + os.sep) for p in paths) and (
                        only_headers or not is_header(path)):
                    dlls |= in_dlls
            if dlls:
                components.append((entry, folder, sorted(dlls)))
    if not components:
        sys.exit("qt-attributions: no component of Qt's attribution files is in the DLLs")
    shutil.rmtree(output, ignore_errors=True)
    os.makedirs(output)
    index = [
        "Third-party code and data compiled into the Qt DLLs of this program, as Qt's own",
        "attribution files (qt_attribution.json) name them, found in the build of these DLLs.",
        "Each component's notice and licence text is in the file named here.",
        "",
    ]
    for entry, folder, dlls in sorted(components, key=lambda c: c[0]["Id"]):
        name = re.sub(r"[^A-Za-z0-9._-]", "_", entry["Id"]) + ".txt"
        text = [entry.get("Name", entry["Id"]), "=" * len(entry.get("Name", entry["Id"])), ""]
        for key in ("Version", "Homepage", "DownloadLocation", "License", "LicenseId"):
            if entry.get(key):
                text.append(f"{key}: {entry[key]}")
        text.append("In: " + ", ".join(dlls))
        text += ["", "Copyright:", entry.get("Copyright", "(none stated)").strip(), ""]
        for license_name in license_files(entry):
            path = os.path.normpath(os.path.join(folder, license_name))
            if not os.path.isfile(path):
                sys.exit(f"qt-attributions: {entry['Id']}: no licence file {license_name}")
            with open(path, encoding="utf-8", errors="replace") as f:
                text += ["-" * 72, f.read().strip(), ""]
        write_crlf(os.path.join(output, name), "\n".join(text))
        index.append(f"{name}")
        index.append(f"    {entry.get('Name', entry['Id'])}: {entry.get('LicenseId', entry.get('License', ''))}")
        index.append(f"    in {', '.join(dlls)}")
    write_crlf(os.path.join(output, "README.txt"), "\n".join(index))


def write_crlf(path, text):
    with open(path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(text.replace("\r\n", "\n").rstrip("\n") + "\n")


if __name__ == "__main__":
    if len(sys.argv) in (5, 6) and sys.argv[1] == "record":
        record(*sys.argv[2:])
    elif len(sys.argv) == 4 and sys.argv[1] == "notices":
        notices(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
