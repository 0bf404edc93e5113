"""Runs every bench_*.py in this folder (or those named on the command line)."""
import pathlib
import runpy
import sys

here = pathlib.Path(__file__).parent
sys.path.insert(0, str(here))
names = sys.argv[1:] or sorted(p.stem for p in here.glob("bench_*.py"))
for name in names:
    runpy.run_path(str(here / f"{name}.py"), run_name="__main__")
