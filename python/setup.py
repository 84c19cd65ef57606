"""Builds the extension module with the project's CMake build (target
_brevan), so that it holds the same code as the library."""

import os
import pathlib
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent.parent


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        target = pathlib.Path(self.get_ext_fullpath(ext.name)).resolve()
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        out = build / "module"
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        subprocess.run(
            ["cmake", "-S", str(ROOT), "-B", str(build), *generator, "-DCMAKE_BUILD_TYPE=Release",
             "-DBREVAN_PYTHON=ON", "-DBREVAN_TESTS=OFF", "-DBREVAN_TOOL=OFF",
             f"-DPython_EXECUTABLE={sys.executable}", f"-DCMAKE_LIBRARY_OUTPUT_DIRECTORY={out}"],
            check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "_brevan", "--parallel",
                        str(os.cpu_count() or 2)], check=True)
        built = sorted(out.glob("_brevan*.so"))
        if not built:
            raise RuntimeError(f"the build left no _brevan module in {out}")
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built[0], target)
        # The encoding detector's library, which the module finds beside itself.
        for library in out.glob("libuchardet.so*"):
            shutil.copyfile(library, target.parent / library.name)


setup(ext_modules=[Extension("brevan._brevan", sources=[])], cmdclass={"build_ext": CMakeBuild})
