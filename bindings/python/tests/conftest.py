"""ZPOSAPP_LIBRARY, ZPOS_HOST_PORT and ZPOS_DOWNLOAD_PORT come from CTest."""
import os

import pytest
import zposapp

HOST = "127.0.0.1"


def _env(name):
    value = os.environ.get(name)
    if not value:
        raise pytest.UsageError("%s is not set: run the suite through ctest (python_binding_test)" % name)
    return value


def pytest_report_header(config):
    return "zposapp %s from %s" % (zposapp.__version__, os.path.dirname(zposapp.__file__))


@pytest.fixture(scope="session")
def library():
    return _env("ZPOSAPP_LIBRARY")


@pytest.fixture(scope="session")
def ports():
    return int(_env("ZPOS_HOST_PORT")), int(_env("ZPOS_DOWNLOAD_PORT"))


@pytest.fixture(scope="session")
def app_dir(tmp_path_factory):
    return tmp_path_factory.mktemp("app")


@pytest.fixture(scope="session")
def pos(library, app_dir):
    return zposapp.ZPosApp(library, app_dir=app_dir)
