"""The QALO depot service as the mock plays it at /nolt.

A request carries the headers nolt_portal_id, nolt_password, nolt_key and
optionally nolt_order_number or nolt_datum. The portal id selects what the
service answers; every portal shares the password DEMO_PASSWORD.

  demo      encrypted depot data at once
  big       the same with 20000 positions (about 3.4 MB), for downloads that overlap
  ticket    an order number first; a retrieval with it gets the depot data
  e<code>   the error document with that code text (e1000, e3000, eabc, e-12, ...)
  plain     an XML document with neither an order number nor an error
Any other portal id, or a wrong password: the error document 2000.
An order number that the service did not hand out: the error document 1200.
"""

import itertools
import subprocess
import threading

DEMO_PASSWORD = "Demo#2026"
AGENT = "NOLT-ImportApi"
IV_TEXT = "5830261947316084"

_order_numbers = itertools.count(4711)
_issued = {}
_lock = threading.Lock()


def hex_to_bytes(text):
    """The plug-in's key conversion: 24 bytes, odd length read with a leading 0."""
    if len(text) % 2:
        text = "0" + text
    try:
        raw = bytes.fromhex(text)[:24]
    except ValueError:
        raw = b""  # a key the plug-in cannot use either: any key will do
    return raw + bytes(24 - len(raw))


def depot_xml(portal, datum):
    """A depot statement in Windows-1252 with a few positions and umlauts
    (the portal big repeats them 4000 times)."""
    positions = [
        ("DE0005140008", "Deutsche Bank AG Namens-Aktien", "120", "1.234,56"),
        ("DE0007164600", "SAP SE Inhaber-Aktien", "35", "5.870,25"),
        ("DE000A1EWWW0", "adidas AG Namens-Aktien", "18", "3.006,00"),
        ("LU0274208692", "Xtrackers MSCI World Swap UCITS ETF 1C", "410", "38.245,80"),
        ("DE000BAY0017", "Bayer AG Namens-Aktien (Börse München)", "75", "1.927,50"),
    ]
    rows = "".join(
        "<POSITION><ISIN>%s</ISIN><BEZEICHNUNG>%s</BEZEICHNUNG>"
        "<STUECK>%s</STUECK><KURSWERT_EUR>%s</KURSWERT_EUR></POSITION>" % p
        for p in positions
    ) * (4000 if portal == "big" else 1)
    text = (
        "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
        "<DEPOT><KOPF><PORTAL>%s</PORTAL><STICHTAG>%s</STICHTAG>"
        "<INHABER>Jürgen Größe-Müller</INHABER><VERWAHRSTELLE>Bankhaus Löwe &amp; Söhne</VERWAHRSTELLE>"
        "</KOPF><POSITIONEN>%s</POSITIONEN><SUMME_EUR>50.284,11</SUMME_EUR></DEPOT>\r\n"
        % (portal, datum or "aktuell", rows)
    )
    return text.encode("cp1252")


def encrypt(plain, key_text):
    """Zero-fills to a multiple of 8 and enciphers with openssl (TDEA-CBC)."""
    plain += bytes(-len(plain) % 8)
    key = hex_to_bytes(key_text.lower()).hex()
    return subprocess.run(
        ["openssl", "enc", "-e", "-des-ede3-cbc", "-nopad", "-K", key, "-iv", IV_TEXT],
        input=plain, stdout=subprocess.PIPE, check=True).stdout


def _document(inner):
    return ("<XML>%s</XML>" % inner).encode("cp1252")


def error_document(code_text):
    return _document("<ERROR>%s</ERROR>" % code_text)


def respond(headers):
    """(status, body) for a GET /nolt with these headers (a dict, names lower-case)."""
    if headers.get("user-agent") != AGENT:
        return 403, b"forbidden"
    portal = headers.get("nolt_portal_id", "")
    if headers.get("nolt_password") != DEMO_PASSWORD:
        return 200, error_document("2000")
    key = headers.get("nolt_key", "")
    order = headers.get("nolt_order_number")
    datum = headers.get("nolt_datum")

    if order is not None:
        with _lock:
            owner = _issued.pop(order, None)
        if owner != portal:
            return 200, error_document("1200")
        return 200, encrypt(depot_xml(portal, datum), key)
    if portal in ("demo", "big"):
        return 200, encrypt(depot_xml(portal, datum), key)
    if portal == "ticket":
        number = str(next(_order_numbers))
        with _lock:
            _issued[number] = portal
        return 200, _document("<ORDER_NUMBER>%s</ORDER_NUMBER>" % number)
    if portal == "plain":
        return 200, _document("<STATUS>bereit</STATUS>")
    if portal.startswith("e") and len(portal) > 1:
        return 200, error_document(portal[1:])
    return 200, error_document("2000")
