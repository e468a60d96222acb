"""ZPosApp for Python: the payment client library's four exports through
ctypes, typed request records that refuse a value that does not fit, and
responses read by field name.

    pos = zposapp.ZPosApp(app_dir="/srv/pos")
    response = pos.send("127.0.0.1", 10902, zposapp.CardApproval("9410123456789012=2812101", 1004))
    if response.approved:
        print(response.auth_no, response.issuer_name)
        pos.ack()
"""
from .client import Download, Response, ZPosApp
from .records import (REQUEST_FIELDS, REQUEST_SIZE, RESPONSE_FIELDS, RESPONSE_SIZE, AckResult, DownloadResult, Field,
                      RespCode, SendResult, __version__)
from .requests import (CardApproval, CardCancel, CashApproval, CashCancel, ChequeInquiry, F1Approval, F2Cancel,
                       FieldError, KtApproval, KtCancel, Points, PointsOperation, Request)

__all__ = [
    "ZPosApp", "Response", "Download", "Request", "FieldError", "CardApproval", "CardCancel", "CashApproval",
    "CashCancel", "ChequeInquiry", "KtApproval", "KtCancel", "F1Approval", "F2Cancel", "Points", "PointsOperation",
    "SendResult", "AckResult", "DownloadResult", "RespCode", "Field", "REQUEST_FIELDS", "RESPONSE_FIELDS",
    "REQUEST_SIZE", "RESPONSE_SIZE", "__version__",
]
