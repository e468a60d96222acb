"""The two records' fields, the values of resp_code and each export's results.

The tables are written by tables/generate.py in the ZPosApp sources into
_tables.py, from the same tables as the library's own headers.
"""
from ._tables import (REQUEST_FIELDS, REQUEST_SIZE, RESPONSE_FIELDS, RESPONSE_SIZE, AckResult, DownloadResult,
                      RespCode, SendResult, __version__)
from ._types import Field, Result

__all__ = ["Field", "Result", "REQUEST_SIZE", "RESPONSE_SIZE", "REQUEST_FIELDS", "RESPONSE_FIELDS", "RespCode",
           "SendResult", "AckResult", "DownloadResult", "__version__"]
