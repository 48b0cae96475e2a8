#!/usr/bin/env python3
"""Generate a deterministic corpus of realistic e-mail messages (.eml).

usage: python3 bench/make_corpus.py OUTDIR [--files 5000] [--mib 200] [--seed 1]

Writes exactly --files messages as OUTDIR/NNNNN.eml whose sizes add up to at
least --mib MiB.  The same arguments always produce byte-identical files: every
random choice comes from one random.Random(seed), consumed in a fixed order.

The mix is meant to look like a real mailbox export:
  * CR LF line ends, with a small share of messages saved with bare LF;
  * full header blocks: Received chains, DKIM signatures, folded To/Cc lists,
    RFC 2047 encoded words, and now and then a raw 8-bit header;
  * plain personal mail and reply threads with "> " quoting, signatures and
    corporate disclaimers that repeat across many files;
  * multipart/alternative text+HTML in quoted-printable (=XX escapes and soft
    line breaks), newsletters carrying an unsubscribe line;
  * multipart/mixed with base64 attachments (76-character lines), which make
    up most of the bytes, plus a handful of 1-3 MiB messages;
  * raw ISO-8859-1 bytes (0xE9, 0xFC, 0xFF, ...) in some 8bit bodies.

When OUTDIR already holds the stamp file .corpus-<files>-<mib>-<seed> nothing
is regenerated.  The stamp is written last, so an interrupted run is redone.
"""

import argparse
import base64
import binascii
import datetime
import os
import random
import re
import sys

MIB = 1048576
CRLF = "\r\n"

# ---------------------------------------------------------------------------
# Word and name pools.  Everything here is fixed data; the randomness comes
# only from the seeded generator.
# ---------------------------------------------------------------------------

WORDS = """
the of and to in is for that on with as it be this are we by from at or
have an will not can our you your all has which more about new their if
they also one but been there would when time any may other these what
project report team meeting week month quarter budget plan update review
customer order invoice payment delivery contract proposal draft version
schedule deadline agenda minutes call office server system network data
release feature issue ticket support request change approval document file
folder account access password policy security backup storage migration
client partner supplier vendor shipment warehouse stock price cost estimate
forecast sales revenue margin target result analysis summary figure table
chart slide presentation workshop training session conference travel hotel
flight booking room lunch dinner coffee break morning afternoon evening
monday tuesday wednesday thursday friday please thanks regards attached
below above next last first final short long quick brief detailed early
late soon today tomorrow yesterday already still again just only really
however therefore meanwhile otherwise perhaps probably certainly clearly
should could might must need want think know see look check confirm send
share discuss agree prepare finish start continue follow forward reply
receive expect suggest propose include mention explain decide keep make
take give find help ask tell let move set run test build deploy fix update
open close review sign print scan upload download install configure
""".split()

LATIN_WORDS = [
    "café", "déjà", "naïve", "Müller", "Zürich", "über", "Größe", "façade",
    "crème", "brûlée", "résumé", "São", "fiancée", "Düsseldorf", "Málaga",
    "señor", "jalapeño", "Björn", "Øresund", "L'Haÿ-les-Roses", "Straße",
    "Köln", "Genève", "Besançon", "coöperation", "piñata", "Fußball",
    "£25", "20°C", "½", "§4", "©", "Malmö", "Orléans", "Montréal", "à",
    "très", "bientôt", "Grüße", "schön", "Rückfrage", "Bestätigung",
    "Änderung", "reçu", "déjà-vu", "Ærø", "Ångström", "Jürgen", "Söderberg",
    "Aÿ-Champagne", "L'Haÿ-les-Roses", "Moÿ",
]

CITIES = ["Zürich", "Genève", "Köln", "Besançon", "Málaga", "L'Haÿ-les-Roses",
          "Düsseldorf", "Malmö", "Orléans", "Montréal", "München", "Århus",
          "Göteborg", "Besançon", "Cádiz", "Dublin", "Leeds", "Lyon", "Porto"]
CITIES_ASCII = ["London", "Berlin", "Paris", "Madrid", "Dublin", "Leeds",
                "Lyon", "Porto", "Boston", "Denver", "Oslo", "Vienna"]

FIRST = ["Anna", "Ben", "Carla", "David", "Elena", "Frank", "Grace", "Hannah",
         "Ivan", "Julia", "Karl", "Laura", "Martin", "Nina", "Oscar", "Paula",
         "Quentin", "Rita", "Stefan", "Tina", "Uwe", "Vera", "Walter",
         "Yvonne", "Zoe", "Priya", "Kenji", "Wei", "Aisha", "Omar", "Lukas",
         "Sofia", "Mateo", "Emma", "Liam", "Olivia", "Noah", "Mia", "Tom",
         "Sarah", "Peter", "Claire", "Daniel", "Helen", "Marco", "Ines",
         "Amélie", "Björn", "Chloé", "Jürgen", "Søren", "José", "Françoise",
         "Agnès", "Jörg", "Inés", "Renée", "Günther", "Noël", "Zoë", "Hélène"]
LAST = ["Smith", "Jones", "Taylor", "Brown", "Wilson", "Meyer", "Schmidt",
        "Weber", "Wagner", "Becker", "Dubois", "Martin", "Bernard", "Rossi",
        "Bianchi", "Garcia", "Lopez", "Nguyen", "Kowalski", "Novak",
        "Andersson", "Olsen", "Clarke", "Walsh", "Fischer", "Hoffmann",
        "Moreau", "Laurent", "Silva", "Costa", "Patel", "Sato", "Chen",
        "Müller", "Schäfer", "Lefèvre", "Sánchez", "Dupré", "Nørgaard",
        "Köhler", "Jäger", "Fernández", "Brändli", "Gómez", "Løvdal"]

COMPANY_DOMAINS = [
    ("Kestrel Works", "kestrelworks.com"),
    ("Northwind Logistik GmbH", "northwind-logistik.de"),
    ("Blue Fjord AS", "bluefjord.no"),
    ("Lumen Analytics", "lumen-analytics.io"),
    ("Corvid Systems Ltd", "corvid-systems.co.uk"),
    ("Maison Verte SARL", "maisonverte.fr"),
    ("Hotel Alpenblick", "alpenblick-hotel.ch"),
    ("Tidewater Partners", "tidewater-partners.com"),
    ("Brightline Engineering", "brightline-eng.com"),
    ("Oakridge Legal LLP", "oakridge-legal.com"),
    ("Solano Foods", "solanofoods.es"),
    ("Vektor Bau AG", "vektorbau.ch"),
    ("Pinecrest University", "pinecrest.edu"),
    ("Harbour Health Trust", "harbourhealth.org.uk"),
    ("Quillfeather Publishing", "quillfeather.com"),
]
FREEMAIL = ["mailbox.example.com", "webpost.example.net", "inbox.example.org"]

MAILERS = [
    ("User-Agent", "Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:102.0) Gecko/20100101 Thunderbird/102.8.0"),
    ("User-Agent", "Mozilla/5.0 (X11; Linux x86_64; rv:115.0) Gecko/20100101 Thunderbird/115.3.1"),
    ("X-Mailer", "Microsoft Outlook 16.0"),
    ("X-Mailer", "Apple Mail (2.3696.120.41.1.1)"),
    ("X-Mailer", "iPhone Mail (20D67)"),
    ("User-Agent", "Roundcube Webmail/1.6.1"),
    ("X-Mailer", "Evolution 3.46.4"),
    ("User-Agent", "K-9 Mail for Android"),
    ("X-Mailer", "Zimbra 9.0.0_GA_4546 (ZimbraWebClient - FF114 (Win)/9.0.0_GA_4546)"),
]

SUBJECTS = [
    "Re: {topic}", "RE: {topic}", "Fwd: {topic}", "AW: {topic}", "{topic}",
    "{topic} - follow-up", "Quick question about {topic}",
    "Updated {topic} ({month})", "[{tag}] {topic}", "TR: {topic}",
]
TOPICS = [
    "Q3 budget review", "invoice {num}", "meeting notes from {weekday}",
    "contract renewal", "server migration plan", "travel booking for {city}",
    "draft proposal v{ver}", "holiday schedule", "team lunch on {weekday}",
    "onboarding checklist", "supplier price list {year}", "password reset",
    "workshop agenda", "delivery delay for order {num}", "project kickoff",
    "quarterly figures", "new office in {city}", "signed NDA",
    "release {ver} notes", "customer complaint #{num}", "board slides",
    "Bestätigung Ihrer Bestellung {num}", "Réunion à {city}",
    "Änderung des Liefertermins", "Résumé et lettre de motivation",
]
TAGS = ["ops", "finance", "hr", "dev", "sales", "legal", "it-support"]

WEEKDAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
WEEKDAYS_LONG = ["Monday", "Tuesday", "Wednesday", "Thursday", "Friday",
                 "Saturday", "Sunday"]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep",
          "Oct", "Nov", "Dec"]
MONTHS_LONG = ["January", "February", "March", "April", "May", "June", "July",
               "August", "September", "October", "November", "December"]
TZS = ["+0000", "+0100", "+0200", "-0400", "-0500", "-0700", "-0800",
       "+0530", "+0900", "+1000"]

TITLES = ["Project Manager", "Senior Accountant", "Head of Operations",
          "Software Engineer", "Sales Director", "Office Manager",
          "IT Administrator", "Legal Counsel", "Procurement Lead",
          "Marketing Coordinator", "Chief Financial Officer", "Consultant"]

DISCLAIMERS = [
    "CONFIDENTIALITY NOTICE: This e-mail and any attachments are confidential "
    "and may be legally privileged. If you are not the intended recipient, "
    "please notify the sender immediately by return e-mail and delete this "
    "message from your system. Any unauthorised use, disclosure, copying or "
    "distribution of this message is strictly prohibited.",
    "This message has been scanned for viruses and dangerous content and is "
    "believed to be clean. The company accepts no liability for any damage "
    "caused by any virus transmitted by this e-mail.",
    "Diese E-Mail enthält vertrauliche und/oder rechtlich geschützte "
    "Informationen. Wenn Sie nicht der richtige Adressat sind oder diese "
    "E-Mail irrtümlich erhalten haben, informieren Sie bitte sofort den "
    "Absender und vernichten Sie diese E-Mail.",
    "Ce message et toutes les pièces jointes sont confidentiels et établis à "
    "l'intention exclusive de ses destinataires. Toute utilisation non "
    "conforme à sa destination est interdite.",
    "Please consider the environment before printing this e-mail.",
    "Registered in England and Wales, company number 04817263. Registered "
    "office: 12 Wharf Lane, Leeds LS1 4AP.",
]

NEWSLETTERS = [
    ("The Weekly Ledger", "news.weeklyledger.com"),
    ("Garden & Home Digest", "mail.gardenhome-digest.com"),
    ("DevOps Roundup", "lists.devops-roundup.io"),
    ("Le Petit Voyageur", "infos.petitvoyageur.fr"),
    ("Bergsport Aktuell", "newsletter.bergsport-aktuell.de"),
    ("City Cycling Club", "members.citycycling.org"),
    ("Acme Outlet Deals", "deals.acme-outlet.example.com"),
    ("Research Grants Bulletin", "bulletin.grantwatch.org"),
    ("Kitchen Stories", "hello.kitchenstories-mail.com"),
    ("Open Data Monthly", "monthly.opendata-news.net"),
]

ATTACH_TYPES = [
    ("application/pdf", "pdf", b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n1 0 obj\n"),
    ("image/jpeg", "jpg", b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x01\x00H"),
    ("image/png", "png", b"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\x00\x00\x04"),
    ("application/vnd.openxmlformats-officedocument.wordprocessingml.document",
     "docx", b"PK\x03\x04\x14\x00\x06\x00\x08\x00\x00\x00!\x00"),
    ("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
     "xlsx", b"PK\x03\x04\x14\x00\x06\x00\x08\x00\x00\x00!\x00"),
    ("application/zip", "zip", b"PK\x03\x04\x14\x00\x00\x00\x08\x00"),
    ("application/octet-stream", "bin", b"\x7fELF\x02\x01\x01\x00"),
]
ATTACH_NAMES = {
    "pdf": ["Invoice_{num}.pdf", "scan_{year}{mm}{dd}_{hh}{mi}.pdf",
            "Quarterly report Q{q}.pdf", "Contract draft v{ver}.pdf",
            "Rechnung-{num}.pdf", "Présentation {city}.pdf"],
    "jpg": ["IMG_{num4}.JPG", "photo_{num4}.jpg", "DSC0{num4}.jpg"],
    "png": ["screenshot {year}-{mm}-{dd} at {hh}.{mi}.png", "diagram.png",
            "chart_{num4}.png"],
    "docx": ["Minutes {weekday}.docx", "Proposal_v{ver}.docx",
             "Lebenslauf {last}.docx"],
    "xlsx": ["Budget {year}.xlsx", "price list {year}.xlsx",
             "timesheet_{mm}_{year}.xlsx"],
    "zip": ["logs_{year}{mm}{dd}.zip", "photos.zip", "release-{ver}.zip"],
    "bin": ["firmware-{ver}.bin", "backup_{num}.dat"],
}

TRANSLIT = str.maketrans({
    "ä": "ae", "ö": "oe", "ü": "ue", "ß": "ss", "é": "e", "è": "e", "ê": "e",
    "ë": "e", "à": "a", "á": "a", "â": "a", "å": "a", "æ": "ae", "ç": "c",
    "ñ": "n", "ø": "o", "ó": "o", "ò": "o", "í": "i", "ï": "i", "ú": "u",
    "ÿ": "y", "Ä": "Ae", "Ö": "Oe", "Ü": "Ue", "É": "E", "Å": "A", "Ø": "O",
    "Æ": "Ae",
})


def ascii_only(s):
    return s.translate(TRANSLIT).encode("ascii", "ignore").decode("ascii")


# ---------------------------------------------------------------------------
# Small formatting helpers.
# ---------------------------------------------------------------------------

def wrap(text, width=72):
    """Greedy word wrap; returns a list of lines."""
    lines = []
    cur = []
    n = 0
    for w in text.split(" "):
        if cur and n + 1 + len(w) > width:
            lines.append(" ".join(cur))
            cur = [w]
            n = len(w)
        else:
            cur.append(w)
            n += len(w) + (1 if len(cur) > 1 else 0)
    if cur:
        lines.append(" ".join(cur))
    return lines


def fold(name, value, rng, width=76):
    """Fold a header at spaces the way mail user agents do."""
    head = name + ":"
    if len(head) + 1 + len(value) <= width:
        return [head + " " + value]
    lead = "\t" if rng.random() < 0.5 else " "
    out = []
    cur = head
    for tok in value.split(" "):
        if cur != head and len(cur) + 1 + len(tok) > width:
            out.append(cur)
            cur = lead + tok
        else:
            cur += " " + tok
    out.append(cur)
    return out


def q_word(s, charset):
    """RFC 2047 'Q' encoded word."""
    raw = s.encode(charset)
    out = []
    for b in raw:
        c = chr(b)
        if c.isascii() and c.isalnum():
            out.append(c)
        elif c == " ":
            out.append("_")
        else:
            out.append("=%02X" % b)
    return "=?%s?Q?%s?=" % (charset, "".join(out))


def b_word(s):
    return "=?UTF-8?B?%s?=" % base64.b64encode(s.encode("utf-8")).decode("ascii")


def header_text(s, rng):
    """Header value for possibly non-ASCII text.

    Mostly RFC 2047 encoded; now and then left as raw Latin-1, as broken
    mailers do.
    """
    if s.isascii():
        return s
    r = rng.random()
    if r < 0.05:
        return s                      # raw 8-bit header
    if r < 0.55:
        return q_word(s, "iso-8859-1")
    return b_word(s)


def html_escape(s):
    return (s.replace("&", "&amp;").replace("<", "&lt;")
            .replace(">", "&gt;").replace('"', "&quot;"))


def fmt_date(d, tz):
    return "%s, %d %s %d %02d:%02d:%02d %s" % (
        WEEKDAYS[d.weekday()], d.day, MONTHS[d.month - 1], d.year,
        d.hour, d.minute, d.second, tz)


def tz_name(tz):
    return {"+0000": "UTC", "+0100": "CET", "+0200": "CEST", "-0400": "EDT",
            "-0500": "EST", "-0700": "PDT", "-0800": "PST", "+0530": "IST",
            "+0900": "JST", "+1000": "AEST"}[tz]


# ---------------------------------------------------------------------------
# The generator.
# ---------------------------------------------------------------------------

B64_LINE = 76
B64_RAW = 57          # bytes per full base64 line
B64_STRIDE = B64_LINE + 2


class Corpus:
    def __init__(self, seed):
        self.rng = random.Random(seed)
        rng = self.rng
        self.base_date = datetime.datetime(2021, 1, 4, 8, 0, 0)

        # Text pools: paragraphs pre-wrapped once and reused, which also gives
        # the corpus the many repeated lines a real mailbox has.
        self.para_ascii = [wrap(self._paragraph(False)) for _ in range(3000)]
        self.para_latin = [wrap(self._paragraph(True)) for _ in range(1200)]
        self.headlines = [self._headline() for _ in range(400)]
        self.disclaimers = [wrap(d) for d in DISCLAIMERS]

        # People with fixed signatures.
        self.people = [self._person(i) for i in range(500)]

        # Base64 pool: one blob of CRLF-terminated 76-character lines.
        # Attachments are slices of it, which keeps generation fast.
        n_lines = 65536
        raw = rng.randbytes(n_lines * B64_RAW)
        enc = base64.b64encode(raw)
        self.b64_lines = n_lines
        self.b64_blob = b"".join(
            enc[i:i + B64_LINE] + b"\r\n"
            for i in range(0, len(enc), B64_LINE))
        assert len(self.b64_blob) == n_lines * B64_STRIDE

        # Company logos: identical small images that Outlook-style senders
        # embed in every message (identical base64 lines across many files).
        self.logos = {}
        for name, dom in COMPANY_DOMAINS:
            size = rng.randrange(3000, 14000)
            data = b"\x89PNG\r\n\x1a\n" + rng.randbytes(size)
            self.logos[dom] = self._b64_encode_full(data)

        self.counter = 0

    # -- text -------------------------------------------------------------

    def _sentence(self, latin):
        rng = self.rng
        n = rng.randint(5, 18)
        ws = []
        for _ in range(n):
            if latin and rng.random() < 0.12:
                ws.append(rng.choice(LATIN_WORDS))
            else:
                ws.append(rng.choice(WORDS))
        if n > 8 and rng.random() < 0.4:
            k = rng.randrange(3, n - 2)
            ws[k] += ","
        s = " ".join(ws)
        return s[0].upper() + s[1:] + rng.choice("....?!")

    def _headline(self):
        rng = self.rng
        ws = [rng.choice(WORDS) for _ in range(rng.randint(3, 9))]
        return " ".join(w.capitalize() if rng.random() < 0.5 else w
                        for w in ws)

    def _paragraph(self, latin):
        return " ".join(self._sentence(latin)
                        for _ in range(self.rng.randint(1, 6)))

    def _fresh_line(self, latin):
        """A line with per-message details (amounts, dates, references)."""
        rng = self.rng
        if latin and rng.random() < 0.6:
            t = rng.choice([
                "Die Lieferung nach {city} kostet {amt} EUR inkl. MwSt., "
                "Größe {n} passt.",
                "Merci pour votre réponse, à bientôt à {city} le {d} {mon}.",
                "Grüße aus {city} – Bestätigung folgt bis {wd}.",
                "Le devis n° {ref} a été reçu, montant {amt} €.",
                "Temperatur in {city}: {n}°C, Preis £{amt}.",
            ])
        else:
            t = rng.choice([
                "Please find the figures for {mon} attached; the total "
                "comes to {amt}.",
                "Our call is booked for {wd} at {hh}:{mi} in room {n}.",
                "Reference: {ref}, order #{num}.",
                "Tracking number {trk} should update within 24 hours.",
                "Ticket {ref} was reassigned to the {tag} queue.",
                "I have moved the review to {wd} {d} {mon} at {hh}:{mi}.",
                "The new VPN endpoint is vpn{n}.{dom}, port {port}.",
            ])
        return t.format(
            city=rng.choice(CITIES if latin else CITIES_ASCII),
            amt="%d.%02d" % (rng.randrange(10, 50000), rng.randrange(100)),
            n=rng.randrange(1, 400), d=rng.randrange(1, 29),
            mon=rng.choice(MONTHS_LONG), wd=rng.choice(WEEKDAYS_LONG),
            ref="%s-%d" % (rng.choice(["INV", "PO", "REQ", "CHG", "SR"]),
                           rng.randrange(10000, 999999)),
            num=rng.randrange(100000, 9999999),
            trk="1Z%X" % rng.getrandbits(56),
            tag=rng.choice(TAGS), hh="%02d" % rng.randrange(7, 19),
            mi="%02d" % rng.randrange(0, 60, 5),
            dom=rng.choice(COMPANY_DOMAINS)[1], port=rng.randrange(1024, 65535),
            # dict.format ignores unused keys
        )

    def _person(self, i):
        rng = self.rng
        first = rng.choice(FIRST)
        last = rng.choice(LAST)
        if rng.random() < 0.25:
            company, dom = None, rng.choice(FREEMAIL)
        else:
            company, dom = rng.choice(COMPANY_DOMAINS)
        local = rng.choice(["{f}.{l}", "{f}{l}", "{fi}{l}", "{f}_{l}{n}",
                            "{f}"]).format(
            f=ascii_only(first).lower(), l=ascii_only(last).lower(),
            fi=ascii_only(first)[0].lower(), n=rng.randrange(1, 99))
        name = first + " " + last
        sig = ["-- ", name]
        if company:
            sig.append(rng.choice(TITLES) + " | " + company)
            sig.append("Tel. +%d %d %d %04d" % (
                rng.choice([44, 49, 33, 41, 47, 34, 1]), rng.randrange(20, 999),
                rng.randrange(100, 9999), rng.randrange(10000)))
            if dom.endswith(".fr"):
                sig.append("14 rue des Lilas, 94240 L'Haÿ-les-Roses")
            sig.append("https://www." + dom + "/")
        elif rng.random() < 0.5:
            sig.append("Sent from my phone")
        disclaimer = None
        if company and rng.random() < 0.5:
            disclaimer = rng.randrange(len(DISCLAIMERS))
        return {
            "name": name, "email": local + "@" + dom, "domain": dom,
            "company": company, "sig": sig, "disclaimer": disclaimer,
            "mailer": rng.choice(MAILERS),
            "latin": not (name.isascii()) or rng.random() < 0.15,
        }

    # -- base64 -----------------------------------------------------------

    def _b64_encode_full(self, data):
        enc = base64.b64encode(data)
        return b"".join(enc[i:i + B64_LINE] + b"\r\n"
                        for i in range(0, len(enc), B64_LINE))

    def _b64_body(self, magic, size):
        """About `size` bytes of base64 text that starts with a file magic."""
        rng = self.rng
        n = max(0, size // B64_STRIDE - 2)
        head = magic + rng.randbytes(B64_RAW - len(magic))
        parts = [base64.b64encode(head), b"\r\n"]
        start = rng.randrange(self.b64_lines)
        blob = self.b64_blob
        while n > 0:
            take = min(n, self.b64_lines - start)
            parts.append(blob[start * B64_STRIDE:(start + take) * B64_STRIDE])
            n -= take
            start = 0
        tail = rng.randrange(1, B64_RAW)
        parts.append(base64.b64encode(rng.randbytes(tail)))
        parts.append(b"\r\n")
        return b"".join(parts)

    # -- misc -------------------------------------------------------------

    def _date(self):
        rng = self.rng
        d = self.base_date + datetime.timedelta(
            seconds=rng.randrange(3 * 365 * 86400))
        return d, rng.choice(TZS)

    def _msgid(self, dom):
        rng = self.rng
        style = rng.randrange(4)
        if style == 0:
            return "<%016x.%08x@%s>" % (rng.getrandbits(64),
                                         rng.getrandbits(32), dom)
        if style == 1:
            host = "%s%02dMB%04d" % (rng.choice(["AM0PR", "DB9PR", "VI1PR",
                                                 "PAXPR"]),
                                     rng.randrange(100), rng.randrange(10000))
            return "<%s%024X@%s.eurprd%02d.prod.outlook.com>" % (
                host, rng.getrandbits(96), host, rng.randrange(1, 9))
        if style == 2:
            return "<CA+%s@mail.%s>" % (
                base64.b64encode(rng.randbytes(36)).decode("ascii")
                .replace("/", "_").replace("+", "-"), dom)
        return "<%08X-%04X-%04X-%04X-%012X@%s>" % (
            rng.getrandbits(32), rng.getrandbits(16), rng.getrandbits(16),
            rng.getrandbits(16), rng.getrandbits(48), dom)

    def _boundary(self):
        rng = self.rng
        style = rng.randrange(5)
        if style == 0:
            return "----=_Part_%d_%d.%d" % (rng.randrange(1, 999999),
                                             rng.randrange(1, 999999999),
                                             1600000000000 + rng.randrange(10**11))
        if style == 1:
            return "_000_%s_" % ("%X" % rng.getrandbits(160))
        if style == 2:
            return "Apple-Mail=_%08X-%04X-%04X-%04X-%012X" % (
                rng.getrandbits(32), rng.getrandbits(16), rng.getrandbits(16),
                rng.getrandbits(16), rng.getrandbits(48))
        if style == 3:
            return "000000000000%012x" % rng.getrandbits(48)
        return "=_%032x" % rng.getrandbits(128)

    def _addr(self, p):
        rng = self.rng
        name = header_text(p["name"], rng)
        if name.startswith("=?") or rng.random() < 0.3:
            return "%s <%s>" % (name, p["email"])
        return '"%s" <%s>' % (name, p["email"])

    def _received_chain(self, sender_dom, rcpt, date, tz):
        rng = self.rng
        hops = rng.randint(2, 6)
        lines = []
        rdom = rcpt.split("@")[1]
        t = date + datetime.timedelta(seconds=rng.randrange(1, 40) * hops)
        hosts = ["mx%d.%s" % (rng.randint(1, 3), rdom)]
        for _ in range(hops - 1):
            hosts.append(rng.choice([
                "mail-%s%d-f%d.google-relay.example.net" % (
                    rng.choice(["ed", "wr", "lj", "pf"]), rng.randint(1, 9),
                    rng.randint(40, 199)),
                "smtp%d.%s" % (rng.randint(1, 9), sender_dom),
                "out%d.mailrelay.example.com" % rng.randint(1, 40),
                "filter%02d.spamshield.example.org" % rng.randint(1, 20),
                "%s%02dMB%04d.eurprd%02d.prod.outlook.example.com" % (
                    rng.choice(["AM0PR", "DB9PR", "VI1PR"]),
                    rng.randrange(100), rng.randrange(10000),
                    rng.randint(1, 8)),
            ]))
        for h in range(hops):
            by = hosts[h]
            ip = "%d.%d.%d.%d" % (rng.randint(10, 223), rng.randrange(256),
                                  rng.randrange(256), rng.randrange(1, 255))
            if h + 1 < hops:
                frm = "%s (%s [%s])" % (hosts[h + 1], hosts[h + 1], ip)
            elif rng.random() < 0.5:
                frm = "[192.168.%d.%d] (unknown [%s])" % (
                    rng.randrange(256), rng.randrange(1, 255), ip)
            else:
                frm = "localhost (localhost [127.0.0.1])"
            kind = rng.randrange(3)
            if kind == 0:
                via = "(Postfix) with ESMTPS id %011X" % rng.getrandbits(44)
            elif kind == 1:
                via = "with esmtps (TLS1.3) tls TLS_AES_256_GCM_SHA384\r\n" \
                      "\t(Exim 4.96)\r\n\t(envelope-from <%s>)\r\n\tid 1p%s" % (
                          "bounce@" + sender_dom,
                          base64.b64encode(rng.randbytes(9)).decode("ascii"))
            else:
                via = ("with Microsoft SMTP Server (version=TLS1_2,\r\n"
                       " cipher=TLS_ECDHE_RSA_WITH_AES_256_GCM_SHA384) "
                       "id 15.20.%d.%d" % (rng.randrange(5000, 7000),
                                           rng.randrange(10, 40)))
            stamp = fmt_date(t, tz) + " (" + tz_name(tz) + ")"
            lines.append("Received: from %s\r\n\tby %s %s\r\n"
                         "\tfor <%s>; %s" % (frm, by, via, rcpt, stamp))
            t -= datetime.timedelta(seconds=rng.randrange(0, 30))
        return lines

    def _dkim(self, dom, date):
        rng = self.rng
        b = base64.b64encode(rng.randbytes(256)).decode("ascii")
        bh = base64.b64encode(rng.randbytes(32)).decode("ascii")
        out = ["DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=%s;"
               % dom,
               "\ts=%s; t=%d;" % (rng.choice(["selector1", "s2048", "google",
                                              "mail", "k1"]),
                                  1609459200 + rng.randrange(10**8)),
               "\th=from:to:subject:date:message-id:mime-version:content-type;",
               "\tbh=%s;" % bh]
        first = True
        for i in range(0, len(b), 70):
            out.append("\t" + ("b=" if first else "") + b[i:i + 70])
            first = False
        return ["\r\n".join(out)]

    def _common_headers(self, sender, rcpts, cc, subject, date, tz,
                        msgid=None, extra=(), reply_to=None):
        rng = self.rng
        h = []
        h.append("Return-Path: <%s>" % sender["email"])
        h.append("Delivered-To: %s" % rcpts[0]["email"])
        h.extend(self._received_chain(sender["domain"], rcpts[0]["email"],
                                      date, tz))
        if rng.random() < 0.6:
            h.extend(self._dkim(sender["domain"], date))
        if rng.random() < 0.4:
            h.append("Authentication-Results: mx.%s;\r\n\tdkim=pass header.d=%s;"
                     "\r\n\tspf=pass smtp.mailfrom=%s" % (
                         rcpts[0]["email"].split("@")[1], sender["domain"],
                         sender["domain"]))
        h.append("Date: " + fmt_date(date, tz))
        h.append("From: " + self._addr(sender))
        h.extend(fold("To", ", ".join(self._addr(p) for p in rcpts), rng))
        if cc:
            h.extend(fold("Cc", ", ".join(self._addr(p) for p in cc), rng))
        h.extend(fold("Subject", header_text(subject, rng), rng))
        h.append("Message-ID: " + (msgid or self._msgid(sender["domain"])))
        if reply_to:
            h.extend(reply_to)
        h.extend(extra)
        h.append("MIME-Version: 1.0")
        return h

    def _subject(self, latin):
        rng = self.rng
        topic = rng.choice(TOPICS)
        if not latin:
            while not topic.isascii():
                topic = rng.choice(TOPICS)
        topic = topic.format(num=rng.randrange(1000, 99999),
                             weekday=rng.choice(WEEKDAYS_LONG),
                             city=rng.choice(CITIES if latin else CITIES_ASCII),
                             ver="%d.%d" % (rng.randint(1, 9), rng.randint(0, 20)),
                             year=rng.randint(2021, 2024))
        s = rng.choice(SUBJECTS).format(topic=topic,
                                        month=rng.choice(MONTHS_LONG),
                                        tag=rng.choice(TAGS))
        if rng.random() < 0.1:
            s += " - " + self._sentence(False)[:-1]   # long, gets folded
        return s

    def _body_lines(self, sender, latin, paras, greet=None):
        rng = self.rng
        lines = []
        if greet:
            lines += [rng.choice(["Hi", "Hello", "Dear", "Hallo", "Bonjour"])
                      + " " + greet.split(" ")[0] + ",", ""]
        for _ in range(paras):
            if latin and rng.random() < 0.5:
                lines += rng.choice(self.para_latin)
            else:
                lines += rng.choice(self.para_ascii)
            if rng.random() < 0.3:
                lines.append(self._fresh_line(latin))
            lines.append("")
        lines.append(rng.choice(["Best regards,", "Thanks,", "Cheers,",
                                 "Kind regards,", "Viele Grüße" if latin else
                                 "Regards,", "Cordialement," if latin else
                                 "Best,"]))
        lines.append(sender["name"].split(" ")[0])
        lines.append("")
        lines += sender["sig"]
        if sender["disclaimer"] is not None:
            lines.append("")
            lines += self.disclaimers[sender["disclaimer"]]
        return lines

    def _quote(self, lines, depth_prefix):
        return [(depth_prefix + l) if l else depth_prefix.rstrip()
                for l in lines]

    # -- part builders ----------------------------------------------------
    # A part is (header lines, body bytes); body bytes end with CRLF.

    def _text_part(self, text, latin, allow_8bit=True):
        rng = self.rng
        if text.isascii():
            enc = rng.choice(["7bit", "7bit", "quoted-printable"])
            cs = rng.choice(["us-ascii", "utf-8", "iso-8859-1"])
        else:
            r = rng.random()
            if allow_8bit and r < 0.45:
                enc, cs = "8bit", "iso-8859-1"
            elif allow_8bit and r < 0.6:
                enc, cs = "8bit", "utf-8"
            elif r < 0.9:
                enc, cs = "quoted-printable", rng.choice(["utf-8", "iso-8859-1",
                                                          "windows-1252"])
            else:
                enc, cs = "base64", "utf-8"
        return self._encoded("text/plain", text, cs, enc,
                             params=rng.choice(["", "; format=flowed", ""]))

    def _encoded(self, ctype, text, cs, enc, params=""):
        codec = {"windows-1252": "cp1252", "us-ascii": "ascii"}.get(cs, cs)
        raw = text.encode(codec, "replace")
        if enc == "quoted-printable":
            body = binascii.b2a_qp(raw, quotetabs=False, istext=True)
        elif enc == "base64":
            body = base64.encodebytes(raw)
        else:
            body = raw
        body = body.replace(b"\n", b"\r\n")
        if not body.endswith(b"\r\n"):
            body += b"\r\n"
        hdr = ['Content-Type: %s; charset="%s"%s' % (ctype, cs, params),
               "Content-Transfer-Encoding: " + enc]
        return hdr, body

    def _html_from_lines(self, lines, outlook):
        """Turn plain text lines into an HTML body; paragraphs on one line."""
        # Quoted text keeps its line structure; other paragraphs are joined
        # into one long line, as HTML editors write them.
        paras = []
        cur = []
        for l in lines + [""]:
            if l == "" or (cur and (l[0] == ">") != (cur[0][0] == ">")):
                if cur:
                    if cur[0][0] == ">":
                        paras.append("<br>".join(html_escape(x) for x in cur))
                    else:
                        paras.append(html_escape(" ".join(cur)))
                    cur = []
            if l != "":
                cur.append(l)
        if outlook:
            head = ('<html xmlns:v="urn:schemas-microsoft-com:vml" '
                    'xmlns:o="urn:schemas-microsoft-com:office:office" '
                    'xmlns:w="urn:schemas-microsoft-com:office:word" '
                    'xmlns:m="http://schemas.microsoft.com/office/2004/12/omml" '
                    'xmlns="http://www.w3.org/TR/REC-html40">\n<head>\n'
                    '<meta http-equiv="Content-Type" content="text/html; '
                    'charset=utf-8">\n<meta name="Generator" content="Microsoft '
                    'Word 15 (filtered medium)">\n<style><!--\n'
                    '/* Font Definitions */\n@font-face\n\t{font-family:'
                    '"Cambria Math";\n\tpanose-1:2 4 5 3 5 4 6 3 2 4;}\n'
                    'p.MsoNormal, li.MsoNormal, div.MsoNormal\n\t{margin:0cm;\n'
                    '\tfont-size:11.0pt;\n\tfont-family:"Calibri",sans-serif;}\n'
                    '--></style>\n</head>\n<body lang="EN-GB" link="#0563C1" '
                    'vlink="#954F72" style="word-wrap:break-word">\n'
                    '<div class="WordSection1">\n')
            body = "".join('<p class="MsoNormal">%s<o:p></o:p></p>\n'
                           '<p class="MsoNormal"><o:p>&nbsp;</o:p></p>\n'
                           % p for p in paras)
            tail = "</div>\n</body>\n</html>\n"
        else:
            head = ('<html><head><meta http-equiv="Content-Type" '
                    'content="text/html; charset=UTF-8"></head><body>'
                    '<div dir="ltr">')
            body = "".join("<div>%s</div><div><br></div>" % p
                           for p in paras)
            tail = "</div></body></html>\n"
        return head + body + tail

    def _attachment(self, size, ftype=None):
        rng = self.rng
        ctype, ext, magic = ftype or rng.choice(ATTACH_TYPES)
        name = rng.choice(ATTACH_NAMES[ext]).format(
            num=rng.randrange(1000, 999999), num4="%04d" % rng.randrange(10000),
            year=rng.randint(2021, 2024), mm="%02d" % rng.randint(1, 12),
            dd="%02d" % rng.randint(1, 28), hh="%02d" % rng.randrange(24),
            mi="%02d" % rng.randrange(60), q=rng.randint(1, 4),
            ver="%d.%d" % (rng.randint(1, 9), rng.randint(0, 20)),
            city=rng.choice(CITIES), weekday=rng.choice(WEEKDAYS_LONG),
            last=rng.choice(LAST))
        if name.isascii():
            cd = 'attachment;\r\n\tfilename="%s"' % name
            ctp = '%s;\r\n\tname="%s"' % (ctype, name)
        else:
            pct = "".join(c if c.isascii() and c.isalnum() or c in ".-_"
                          else "%%%02X" % b
                          for c, b in ((chr(b), b)
                                       for b in name.encode("iso-8859-1")))
            cd = "attachment;\r\n\tfilename*=iso-8859-1''%s" % pct
            ctp = '%s;\r\n\tname="%s"' % (ctype, q_word(name, "iso-8859-1"))
        hdr = ["Content-Type: " + ctp,
               "Content-Disposition: " + cd + (
                   ";\r\n\tsize=%d" % (size * 3 // 4) if rng.random() < 0.3
                   else ""),
               "Content-Transfer-Encoding: base64"]
        return hdr, self._b64_body(magic, size)

    def _multipart(self, subtype, parts, preamble=True):
        rng = self.rng
        b = self._boundary()
        out = []
        if preamble and rng.random() < 0.5:
            out.append(b"This is a multi-part message in MIME format.\r\n\r\n")
        for hdr, body in parts:
            out.append(b"--" + b.encode() + b"\r\n")
            out.append("\r\n".join(hdr).encode("latin-1") + b"\r\n\r\n")
            out.append(body)
        out.append(b"--" + b.encode() + b"--\r\n")
        sep = ";\r\n\t" if rng.random() < 0.7 else "; "
        hdr = ['Content-Type: multipart/%s%sboundary="%s"' % (subtype, sep, b)]
        return hdr, b"".join(out)

    def _alternative(self, sender, text_lines, latin):
        rng = self.rng
        text = "\n".join(text_lines) + "\n"
        outlook = "Outlook" in sender["mailer"][1]
        plain = self._text_part(text, latin, allow_8bit=False)
        html = self._html_from_lines(text_lines, outlook)
        hpart = self._encoded("text/html", html, "utf-8",
                              rng.choice(["quoted-printable"] * 4 +
                                         ["base64", "8bit"]))
        if outlook and sender["company"] and rng.random() < 0.7:
            # Signature logo: identical bytes in every message of this sender.
            cid = "image001.png@01D9%04X.%08X" % (rng.getrandbits(16),
                                                 rng.getrandbits(32))
            logo = (['Content-Type: image/png; name="image001.png"',
                     "Content-Description: image001.png",
                     'Content-Disposition: inline; filename="image001.png"',
                     "Content-ID: <%s>" % cid,
                     "Content-Transfer-Encoding: base64"],
                    self.logos[sender["domain"]])
            hpart = self._multipart("related", [hpart, logo], preamble=False)
        alt = self._multipart("alternative", [plain, hpart], preamble=False)
        return alt

    # -- message kinds ----------------------------------------------------

    def _pick_people(self, n):
        return [self.rng.choice(self.people) for _ in range(n)]

    def _recipients(self):
        rng = self.rng
        to = self._pick_people(rng.choice([1, 1, 1, 2, 3, 5, 9]))
        cc = self._pick_people(rng.choice([0, 0, 0, 1, 2, 4, 12]))
        return to, cc

    def msg_personal(self, reply=False):
        rng = self.rng
        sender = rng.choice(self.people)
        to, cc = self._recipients()
        latin = sender["latin"] or rng.random() < 0.1
        date, tz = self._date()
        subject = self._subject(latin)
        lines = self._body_lines(sender, latin, rng.randint(1, 6),
                                 greet=to[0]["name"])
        extra = []
        if reply:
            depth = rng.randint(1, 4)
            prev = sender
            prefix = "> "
            refs = []
            for _ in range(depth):
                other = rng.choice(self.people)
                d2 = date - datetime.timedelta(hours=rng.randint(1, 72))
                lines.append("")
                lines.append("On %s, %s <%s> wrote:" % (
                    fmt_date(d2, tz)[:-6], other["name"], other["email"]))
                q = self._body_lines(other, latin, rng.randint(1, 4),
                                     greet=prev["name"])
                lines += self._quote(q, prefix)
                prefix = ">" + prefix
                prev = other
                refs.append(self._msgid(other["domain"]))
            if not subject.lower().startswith(("re:", "aw:")):
                subject = "Re: " + subject
            extra.append("In-Reply-To: " + refs[0])
            extra.extend(fold("References", " ".join(reversed(refs)), rng))
        extra.append("%s: %s" % sender["mailer"])
        h = self._common_headers(sender, to, cc, subject, date, tz, extra=extra)
        text = "\n".join(lines) + "\n"
        if rng.random() < 0.55:
            part = self._text_part(text, latin)
        else:
            part = self._alternative(sender, lines, latin)
        return h, part

    def msg_notification(self):
        rng = self.rng
        rcpt = rng.choice(self.people)
        dom = rcpt["domain"]
        date, tz = self._date()
        kind = rng.randrange(3)
        host = "%s%02d" % (rng.choice(["web", "db", "app", "backup"]),
                           rng.randrange(1, 30))
        sender = {"name": "Cron Daemon", "email": "root@%s.%s" % (host, dom),
                  "domain": dom}
        lines = []
        t = date
        if kind == 0:
            subject = "Cron <root@%s> /usr/local/sbin/nightly-backup.sh" % host
            for _ in range(rng.randint(10, 120)):
                t += datetime.timedelta(seconds=rng.randrange(1, 40))
                lines.append("%s %s backup[%d]: %s" % (
                    t.strftime("%Y-%m-%dT%H:%M:%S"), host, rng.randrange(1000, 65000),
                    rng.choice(["dumping database %s" % rng.choice(
                        ["orders", "users", "wiki", "crm"]),
                        "copied %d files (%d bytes)" % (
                            rng.randrange(1, 9999), rng.randrange(10**9)),
                        "snapshot created", "WARNING: slow disk I/O on /dev/sdb",
                        "rsync finished, exit code 0", "pruned 3 old archives"])))
        elif kind == 1:
            sender = {"name": "Monitoring", "email": "alerts@monitor.%s" % dom,
                      "domain": "monitor." + dom}
            state = rng.choice(["PROBLEM", "RECOVERY"])
            subject = "** %s Service Alert: %s/%s is %s **" % (
                state, host, rng.choice(["HTTP", "Disk /var", "Load", "SSH"]),
                rng.choice(["CRITICAL", "WARNING", "OK"]))
            lines = ["***** Monitoring *****", "",
                     "Notification Type: " + state, "",
                     "Host: " + host, "Address: 10.%d.%d.%d" % (
                         rng.randrange(256), rng.randrange(256),
                         rng.randrange(1, 255)),
                     "State: " + rng.choice(["CRITICAL", "WARNING", "OK"]), "",
                     "Date/Time: " + fmt_date(date, tz), "",
                     "Additional Info:", "",
                     "DISK %s - free space: /var %d MB (%d%% inode=%d%%):" % (
                         rng.choice(["OK", "WARNING"]), rng.randrange(10**5),
                         rng.randrange(100), rng.randrange(100))]
        else:
            sender = {"name": "Helpdesk", "email": "helpdesk@%s" % dom,
                      "domain": dom}
            tid = rng.randrange(10000, 99999)
            subject = "[Ticket #%d] %s" % (tid, self._sentence(False)[:60])
            lines = ["Ticket #%d has been updated by %s." % (
                tid, rng.choice(self.people)["name"]), "",
                "Status: " + rng.choice(["Open", "Pending", "Resolved"]),
                "Priority: " + rng.choice(["Low", "Normal", "High"]), "",
                "-" * 40] + rng.choice(self.para_ascii) + [
                "-" * 40, "",
                "View the ticket: https://helpdesk.%s/tickets/%d" % (dom, tid),
                "", "Please do not reply below this line."]
        h = self._common_headers(sender, [rcpt], [], subject, date, tz,
                                 extra=["Auto-Submitted: auto-generated",
                                        "X-Priority: 3"])
        text = "\n".join(lines) + "\n"
        return h, self._encoded("text/plain", text, "us-ascii", "7bit")

    def msg_newsletter(self):
        rng = self.rng
        nl_name, nl_dom = rng.choice(NEWSLETTERS)
        rcpt = rng.choice(self.people)
        date, tz = self._date()
        token = "%032x" % rng.getrandbits(128)
        latin = rng.random() < 0.3
        sender = {"name": nl_name, "email": "newsletter@" + nl_dom,
                  "domain": nl_dom}
        subject = rng.choice([
            "{n}: your {wd} update", "This week at {n}", "{n} - issue {i}",
            "Last chance: {n} spring offers", "{n} | {mon} highlights"]).format(
            n=nl_name, wd=rng.choice(WEEKDAYS_LONG), i=rng.randrange(1, 400),
            mon=rng.choice(MONTHS_LONG))
        unsub = "https://%s/unsubscribe?u=%s&list=%d" % (
            nl_dom, token, rng.randrange(100, 999))
        n_art = rng.randint(3, 14)
        text = [nl_name.upper(), "=" * len(nl_name), "",
                "View this email in your browser: https://%s/view/%s" % (
                    nl_dom, token), ""]
        html = ['<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN"'
                ' "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">',
                '<html xmlns="http://www.w3.org/1999/xhtml"><head>'
                '<meta http-equiv="Content-Type" content="text/html; '
                'charset=UTF-8" /><meta name="viewport" content="width='
                'device-width, initial-scale=1.0" /><title>%s</title>'
                % html_escape(nl_name),
                '<style type="text/css">body{margin:0;padding:0;}table,td'
                '{border-collapse:collapse;}img{border:0;height:auto;outline:'
                'none;text-decoration:none;}@media only screen and (max-width:'
                '600px){.column{width:100%!important;display:block;}}</style>'
                '</head>',
                '<body style="margin:0;padding:0;background-color:#f2f2f2;">'
                '<table role="presentation" width="100%" cellpadding="0" '
                'cellspacing="0" border="0" style="background-color:#f2f2f2;">'
                '<tr><td align="center"><table role="presentation" width="600"'
                ' cellpadding="0" cellspacing="0" border="0" style="background'
                '-color:#ffffff;">']
        for a in range(n_art):
            title = rng.choice(self.headlines)
            paras = [rng.choice(self.para_latin if latin and rng.random() < 0.5
                                else self.para_ascii)
                     for _ in range(rng.randint(1, 3))]
            link = "https://click.%s/ls/click?upn=%s-%d" % (
                nl_dom, base64.urlsafe_b64encode(rng.randbytes(
                    rng.randrange(30, 90))).decode("ascii"), a)
            text += [title, "-" * min(len(title), 72)]
            for p in paras:
                text += p + [""]
            text += ["Read more: " + link, ""]
            html.append(
                '<tr><td class="article" style="padding:20px 30px;font-family:'
                'Arial,Helvetica,sans-serif;font-size:15px;line-height:22px;'
                'color:#333333;"><h2 style="margin:0 0 12px 0;font-size:20px;'
                'line-height:26px;color:#111111;">%s</h2>%s<p style="margin:'
                '0;"><a href="%s" target="_blank" style="color:#0066cc;text-'
                'decoration:underline;">Read more &rarr;</a></p></td></tr>' % (
                    html_escape(title),
                    "".join('<p style="margin:0 0 12px 0;">%s</p>'
                            % html_escape(" ".join(p)) for p in paras),
                    html_escape(link)))
        footer_txt = [
            "You are receiving this email because you subscribed to %s."
            % nl_name,
            "To unsubscribe from this list, visit: " + unsub,
            "Manage your preferences: https://%s/preferences?u=%s" % (
                nl_dom, token),
            "%s, 1 Example Street, Springfield" % nl_name]
        text += ["--"] + footer_txt
        html.append(
            '<tr><td style="padding:20px 30px;font-family:Arial,sans-serif;'
            'font-size:12px;color:#888888;" align="center">You are receiving '
            'this email because you subscribed to %s.<br /><a href="%s" '
            'style="color:#888888;">Unsubscribe</a> | <a href="https://%s/'
            'preferences?u=%s" style="color:#888888;">Manage preferences</a>'
            '<br />%s, 1 Example Street, Springfield</td></tr>' % (
                html_escape(nl_name), html_escape(unsub), nl_dom, token,
                html_escape(nl_name)))
        html.append('</table></td></tr></table><img src="https://%s/open/%s.gif"'
                    ' width="1" height="1" alt="" /></body></html>'
                    % (nl_dom, token))
        extra = fold("List-Unsubscribe",
                     "<%s>, <mailto:unsubscribe-%s@%s>" % (unsub, token[:16],
                                                           nl_dom), rng)
        extra += ["List-Unsubscribe-Post: List-Unsubscribe=One-Click",
                  "List-Id: %s <list.%s>" % (nl_name, nl_dom),
                  "Precedence: bulk",
                  "X-Campaign-ID: %d" % rng.randrange(10**6, 10**8)]
        h = self._common_headers(sender, [rcpt], [], subject, date, tz,
                                 extra=extra)
        tpart = self._encoded("text/plain", "\n".join(text) + "\n", "utf-8",
                              "quoted-printable")
        hpart = self._encoded("text/html", "\n".join(html) + "\n", "utf-8",
                              rng.choice(["quoted-printable"] * 5 +
                                         ["base64"]))
        return h, self._multipart("alternative", [tpart, hpart])

    def msg_mixed(self, att_total):
        """A message with attachments carrying about att_total bytes."""
        rng = self.rng
        sender = rng.choice(self.people)
        to, cc = self._recipients()
        latin = sender["latin"] or rng.random() < 0.1
        date, tz = self._date()
        subject = self._subject(latin)
        lines = self._body_lines(sender, latin, rng.randint(1, 3),
                                 greet=to[0]["name"])
        text = "\n".join(lines) + "\n"
        if rng.random() < 0.5:
            body = self._text_part(text, latin)
        else:
            body = self._alternative(sender, lines, latin)
        parts = [body]
        n_att = 1 if att_total > 512 * 1024 else rng.choice([1, 1, 1, 2, 2, 3])
        shares = [rng.random() + 0.2 for _ in range(n_att)]
        tot = sum(shares)
        for s in shares:
            parts.append(self._attachment(max(400, int(att_total * s / tot))))
        r = rng.random()
        if r < 0.08:
            parts.append(self._forwarded())
        elif r < 0.14:
            parts.append(self._calendar(date, tz, sender))
        elif r < 0.22:
            parts.append(self._csv())
        h = self._common_headers(sender, to, cc, subject, date, tz,
                                 extra=["%s: %s" % sender["mailer"]])
        return h, self._multipart("mixed", parts)

    def _forwarded(self):
        h, part = self.msg_personal(reply=False)
        inner = ("\r\n".join(h + part[0]).encode("latin-1") + b"\r\n\r\n"
                 + part[1])
        return (["Content-Type: message/rfc822",
                 "Content-Disposition: attachment"], inner)

    def _calendar(self, date, tz, org):
        rng = self.rng
        start = date + datetime.timedelta(days=rng.randint(1, 20))
        desc = " ".join(rng.choice(self.para_ascii))
        desc_line = "DESCRIPTION:" + desc
        folded = [desc_line[i:i + 74] for i in range(0, len(desc_line), 74)]
        ics = ["BEGIN:VCALENDAR", "PRODID:-//Example Corp//Calendar 1.0//EN",
               "VERSION:2.0", "METHOD:REQUEST", "BEGIN:VEVENT",
               "UID:%032x" % rng.getrandbits(128),
               "DTSTART:%s" % start.strftime("%Y%m%dT%H%M%SZ"),
               "DTEND:%s" % (start + datetime.timedelta(hours=1))
               .strftime("%Y%m%dT%H%M%SZ"),
               "SUMMARY:" + rng.choice(self.headlines),
               folded[0]] + [" " + f for f in folded[1:]] + [
               "ORGANIZER;CN=%s:mailto:%s" % (ascii_only(org["name"]),
                                              org["email"]),
               "END:VEVENT", "END:VCALENDAR"]
        body = ("\r\n".join(ics) + "\r\n").encode("ascii")
        return (['Content-Type: text/calendar; charset="utf-8"; method=REQUEST',
                 "Content-Transfer-Encoding: 7bit"], body)

    def _csv(self):
        rng = self.rng
        rows = ["date;account;description;amount"]
        for _ in range(rng.randint(5, 200)):
            rows.append("%d-%02d-%02d;%d;%s;%d.%02d" % (
                rng.randint(2021, 2024), rng.randint(1, 12), rng.randint(1, 28),
                rng.randrange(1000, 9999), rng.choice(WORDS) + " " +
                rng.choice(WORDS), rng.randrange(-5000, 5000),
                rng.randrange(100)))
        hdr, body = self._encoded("text/csv", "\n".join(rows) + "\n",
                                  "us-ascii", "7bit")
        hdr.append('Content-Disposition: attachment; filename="export.csv"')
        return hdr, body

    # -- top level --------------------------------------------------------

    def render(self, h, part, variants=True):
        rng = self.rng
        data = ("\r\n".join(h + part[0]).encode("latin-1") + b"\r\n\r\n"
                + part[1])
        if not variants:
            return data
        r = rng.random()
        if r < 0.05:
            data = data.replace(b"\r\n", b"\n")      # saved with bare LF
        elif r < 0.06:
            data = data.rstrip(b"\r\n")              # no final line end
        return data


def generate(outdir, n_files, mib, seed):
    target = int(mib * MIB)
    c = Corpus(seed)
    rng = c.rng
    width = max(5, len(str(n_files)))

    # A handful of very large messages (1-3 MiB) when the budget allows.
    n_big = min(n_files // 1000, int(target // (16 * MIB)))
    big = set(rng.sample(range(n_files - 1), n_big)) if n_big and n_files > 1 \
        else set()
    big_left = n_big
    big_mean = 2 * MIB

    kinds = ["personal", "reply", "notification", "newsletter", "mixed"]
    weights = [0.30, 0.16, 0.08, 0.22, 0.24]
    p_att = weights[-1]
    small_avg = 14 * 1024.0          # running mean size of non-attachment mail
    small_n = 0
    att_overhead = 8 * 1024          # headers and text around attachments

    written = 0
    for i in range(n_files):
        left = n_files - i
        budget = target - written
        if i in big:
            big_left -= 1
            kind = "big"
        elif left == 1 and budget > 0:
            kind = "last"
        else:
            kind = rng.choices(kinds, weights)[0]

        if kind == "personal":
            msg = c.msg_personal(reply=False)
        elif kind == "reply":
            msg = c.msg_personal(reply=True)
        elif kind == "notification":
            msg = c.msg_notification()
        elif kind == "newsletter":
            msg = c.msg_newsletter()
        elif kind == "big":
            msg = c.msg_mixed(rng.randrange(MIB, 3 * MIB))
        elif kind == "mixed":
            # Size the attachments so the remaining files land on the target.
            normal_left = left - big_left
            exp_att = max(1.0, normal_left * p_att)
            avail = (budget - big_left * big_mean
                     - (normal_left - exp_att) * small_avg
                     - exp_att * att_overhead)
            mean = max(4096.0, avail / exp_att)
            draw = mean * rng.lognormvariate(-0.405, 0.9)   # mean-preserving
            size = int(min(max(draw, 3000), max(700 * 1024, 3 * mean)))
            msg = c.msg_mixed(size)
        else:  # last: make up whatever is still missing
            att = max(4096, budget - att_overhead)
            state = rng.getstate()
            while True:
                rng.setstate(state)
                data = c.render(*c.msg_mixed(att), variants=False)
                if len(data) >= budget:
                    break
                att += budget - len(data) + 1024

        if kind != "last":
            data = c.render(*msg)
        if kind in ("personal", "reply", "notification", "newsletter"):
            small_n += 1
            small_avg += (len(data) - small_avg) / min(small_n, 200)

        path = os.path.join(outdir, "%0*d.eml" % (width, i + 1))
        with open(path, "wb") as f:
            f.write(data)
        written += len(data)
    return written


def main(argv):
    ap = argparse.ArgumentParser(
        description="Generate a deterministic corpus of .eml messages.")
    ap.add_argument("outdir")
    ap.add_argument("--files", type=int, default=5000)
    ap.add_argument("--mib", type=float, default=200)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args(argv)
    if a.files < 1 or a.mib < 0:
        ap.error("--files must be >= 1 and --mib >= 0")

    stamp = ".corpus-%d-%g-%d" % (a.files, a.mib, a.seed)
    os.makedirs(a.outdir, exist_ok=True)
    if os.path.exists(os.path.join(a.outdir, stamp)):
        print("corpus already present: %s (%s)" % (a.outdir, stamp))
        return 0

    # Drop stamps of earlier runs first, so an interrupted run never looks
    # complete, and later drop numbered messages beyond the new count.
    name_re = re.compile(r"^\d{5,}\.eml$")
    for name in os.listdir(a.outdir):
        if name.startswith(".corpus-"):
            os.remove(os.path.join(a.outdir, name))

    total = generate(a.outdir, a.files, a.mib, a.seed)

    width = max(5, len(str(a.files)))
    keep = {"%0*d.eml" % (width, i + 1) for i in range(a.files)}
    for name in sorted(os.listdir(a.outdir)):
        if name_re.match(name) and name not in keep:
            os.remove(os.path.join(a.outdir, name))

    with open(os.path.join(a.outdir, stamp), "w") as f:
        f.write("files=%d bytes=%d seed=%d\n" % (a.files, total, a.seed))
    print("wrote %d files, %d bytes (%.1f MiB) to %s"
          % (a.files, total, total / MIB, a.outdir))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
