#!/usr/bin/env bash
# The Python package as a user installs it, with no package index:
#   1. lineio/_version.py carries the project version;
#   2. pip install --no-build-isolation ./python into a new virtual
#      environment made with --system-site-packages (the build backend,
#      setuptools, comes from the system: Debian python3-setuptools);
#   3. the installed package, from another folder: its version, py.typed, and
#      a session against the simulation flavour found through LINEIO_SIM_DIR;
#   4. pip uninstall;
#   5. python -m build --no-isolation --wheel: a pure-Python wheel with
#      exactly the module's files.
#
#   check_package.sh PYTHON SOURCE_DIR WORK_DIR VERSION SIM_DIR
set -euo pipefail
python=$1 source=$2 work=$3 version=$4 sim=$5
unset LINEIO_KESTREL_LIBRARY LINEIO_MERLIN_LIBRARY LINEIO_SIM_DIR PYTHONPATH LD_LIBRARY_PATH
export PIP_NO_INDEX=1 PIP_DISABLE_PIP_VERSION_CHECK=1 PYTHONDONTWRITEBYTECODE=1

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
echo "--- the version"
grep -qx "__version__ = \"$version\"" "$source/lineio/_version.py" ||
  fail "lineio/_version.py does not carry the project version $version"

# pip and the build write into the folder they build from: a copy of it.
mkdir "$work/python"
cp -r "$source/lineio" "$source/examples" "$source/pyproject.toml" "$source/README.md" "$work/python/"

echo "--- pip install --no-build-isolation ./python into a new virtual environment"
"$python" -m venv --system-site-packages "$work/venv"
(cd "$work" && venv/bin/pip install --no-build-isolation ./python) >"$work/pip.log" 2>&1 ||
  fail "pip install"$'\n'"$(cat "$work/pip.log")"
grep -q "Successfully installed lineio-$version" "$work/pip.log" || fail "pip did not install lineio-$version"$'\n'"$(cat "$work/pip.log")"

echo "--- the installed package"
installed=$(cd / && "$work/venv/bin/python" -c 'import importlib.metadata, os, lineio
print(os.path.dirname(lineio.__file__))
print(importlib.metadata.version("lineio"))')
folder=${installed%%$'\n'*}
[[ $folder == "$work"/venv/lib/python3*/site-packages/lineio ]] || fail "lineio was imported from $folder"
[[ ${installed#*$'\n'} == "$version" ]] || fail "the installed version is ${installed#*$'\n'}"
[[ -f $folder/py.typed ]] || fail "the installed package has no py.typed"
session=$(cd / && LINEIO_SIM_DIR=$sim "$work/venv/bin/python" "$source/examples/first_session.py" merlin 2>&1) ||
  fail "a session through the installed package"$'\n'"$session"
for line in "DOVEVED PCI card found!" "library: $sim/libmerlin.so.1" "PortQinp(16) = 0x1a5" "HdTimer(3) = 0"; do
  grep -qxF "$line" <<<"$session" || fail "the session printed no line '$line':"$'\n'"$session"
done
"$work/venv/bin/pip" uninstall -y lineio >"$work/uninstall.log" 2>&1 || fail "pip uninstall"$'\n'"$(cat "$work/uninstall.log")"
[[ ! -e $folder ]] || fail "pip uninstall left $folder"

echo "--- python -m build --no-isolation --wheel"
if ! "$python" -c "import build" 2>/dev/null; then
  echo "the wheel is not built: no module build (Debian: python3-build)"
else
  "$python" -m build --no-isolation --wheel --outdir "$work/dist" "$work/python" >"$work/build.log" 2>&1 ||
    fail "python -m build"$'\n'"$(cat "$work/build.log")"
  wheel=$work/dist/lineio-$version-py3-none-any.whl
  [[ -f $wheel ]] || fail "no pure-Python wheel: $(ls "$work/dist")"
  expected=$(cd "$source" && ls lineio/*.py lineio/py.typed | LC_ALL=C sort)
  files=$("$python" -c 'import sys, zipfile
print("\n".join(sorted(n for n in zipfile.ZipFile(sys.argv[1]).namelist() if not ".dist-info/" in n)))' "$wheel")
  [[ $files == "$expected" ]] || fail "the wheel holds"$'\n'"$files"$'\n'"expected"$'\n'"$expected"
  echo "$(basename "$wheel"): $(stat -c %s "$wheel") bytes"
fi
echo "Python package: all checks passed"
