"""The build backend of the zposapp package: a pure-Python wheel of the
zposapp folder, written with the standard library alone, so that pip needs no
package index to build it. No sdist and no editable install: the source
folder itself serves for those (PYTHONPATH=bindings/python)."""
import base64
import hashlib
import os
import re
import zipfile

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NAME = "zposapp"
TAG = "py3-none-any"


def _version():
    with open(os.path.join(HERE, NAME, "_tables.py"), encoding="utf-8") as f:
        return re.search(r'^__version__ = "([^"]+)"', f.read(), re.M).group(1)


def _metadata(version):
    with open(os.path.join(HERE, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    return ("Metadata-Version: 2.1\nName: %s\nVersion: %s\n"
            "Summary: Typed requests and responses for the ZPosApp payment client library (ctypes)\n"
            "Requires-Python: >=3.8\nDescription-Content-Type: text/markdown\n\n%s" % (NAME, version, readme))


def _wheel_text():
    return "Wheel-Version: 1.0\nGenerator: zposapp_build\nRoot-Is-Purelib: true\nTag: %s\n" % TAG


def _record_line(path, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return "%s,sha256=%s,%d" % (path, digest, len(data))


def get_requires_for_build_wheel(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    version = _version()
    info = "%s-%s.dist-info" % (NAME, version)
    os.makedirs(os.path.join(metadata_directory, info), exist_ok=True)
    for name, text in (("METADATA", _metadata(version)), ("WHEEL", _wheel_text())):
        with open(os.path.join(metadata_directory, info, name), "w", encoding="utf-8") as f:
            f.write(text)
    return info


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    version = _version()
    info = "%s-%s.dist-info" % (NAME, version)
    files = []
    for name in sorted(os.listdir(os.path.join(HERE, NAME))):
        if name.endswith(".py"):
            with open(os.path.join(HERE, NAME, name), "rb") as f:
                files.append(("%s/%s" % (NAME, name), f.read()))
    files.append((info + "/METADATA", _metadata(version).encode("utf-8")))
    files.append((info + "/WHEEL", _wheel_text().encode("utf-8")))
    record = "".join(_record_line(path, data) + "\n" for path, data in files) + info + "/RECORD,,\n"
    wheel = "%s-%s-%s.whl" % (NAME, version, TAG)
    with zipfile.ZipFile(os.path.join(wheel_directory, wheel), "w", zipfile.ZIP_DEFLATED) as z:
        for path, data in files:
            z.writestr(path, data)
        z.writestr(info + "/RECORD", record)
    return wheel
