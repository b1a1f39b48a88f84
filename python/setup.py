# SPDX-License-Identifier: Apache-2.0
"""pip install ./python: builds the extension against an installed libtarvo, found with
pkg-config (set PKG_CONFIG_PATH to <prefix>/lib/pkgconfig for a prefix of your own)."""
import shlex
import subprocess

from setuptools import Extension, setup


def pkg_config(*args):
    out = subprocess.run(["pkg-config", *args, "tarvo"], check=True, capture_output=True,
                         text=True).stdout
    return shlex.split(out)


libdirs = [f[2:] for f in pkg_config("--libs-only-L")]
setup(
    name="tarvo",
    version=pkg_config("--modversion")[0],
    description="Exact money conversion over libtarvo",
    packages=["tarvo"],
    package_data={"tarvo": ["__init__.pyi", "py.typed"]},
    ext_modules=[Extension(
        "tarvo._tarvo", ["src/_tarvo.cpp"],
        include_dirs=[f[2:] for f in pkg_config("--cflags-only-I")],
        library_dirs=libdirs, libraries=["tarvo"], runtime_library_dirs=libdirs,
        extra_compile_args=["-std=c++17"])],
    python_requires=">=3.9",
)
