"""ZPOSAPP_LIBRARY, ZPOS_HOST_PORT and ZPOS_DOWNLOAD_PORT come from CTest (python_binding_test)."""
import os

import pytest
import zposapp

HOST = "127.0.0.1"


@pytest.fixture(scope="session")
def library():
    return os.environ["ZPOSAPP_LIBRARY"]


@pytest.fixture(scope="session")
def ports():
    return int(os.environ["ZPOS_HOST_PORT"]), int(os.environ["ZPOS_DOWNLOAD_PORT"])


@pytest.fixture(scope="session")
def app_dir(tmp_path_factory):
    return tmp_path_factory.mktemp("app")


@pytest.fixture(scope="session")
def pos(library, app_dir):
    return zposapp.ZPosApp(library, app_dir=app_dir)
