"""The lineio version, the project version of CMakeLists.txt (a test checks
that the two agree)."""

__version__ = "1.0.0"
