#!/usr/bin/env python3
"""Compares the decoded text tollervane-extract gives with a second reading.

For every message file given (files, or folders searched for files), this
script works out the file's decoded text by the program's decoding rules on
its own, with Python's standard library (the email package for header
parameters, base64 and quopri for transfer encodings, Python's codecs for
character sets, html.parser for HTML), and compares it line by line with the
lines of `tollervane-extract --all --decode --source --format jsonl`.

    tools/check_decoded_text.py [--extract PATH] [--quiet] FILE_OR_FOLDER...

Per file it prints "equal", or "differ" with the first line that differs
(number, expected, actual). Files whose text has an HTML part are counted in
a group of their own, as HTML conversion (blanks, which elements end a line)
is where two honest readings part most easily; a difference elsewhere is
likely a fault on one side. The exit status is 1 when any file outside the
HTML group differs.
"""

import argparse
import base64
import codecs
import email
import email.charset
import email.errors
import email.message
import email.policy
import email.utils
import html.parser
import json
import os
import quopri
import re
import subprocess
import sys

# ---------------------------------------------------------------- charsets

# windows-1252 as mail programs read it: the five bytes it leaves unassigned
# stand for the C1 controls of the same value, so no byte is ever lost.


def _c1_for_unassigned(error):
    if isinstance(error, UnicodeDecodeError):
        bad = error.object[error.start:error.end]
        return "".join(chr(b) for b in bad), error.end
    raise error


codecs.register_error("tollervane-c1", _c1_for_unassigned)


def windows1252(data):
    return data.decode("cp1252", "tollervane-c1")


def utf8_or_windows1252(data):
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return windows1252(data)


UTF8_OR_ASCII = {"", "utf-8", "utf8", "us-ascii", "ascii", "ansi_x3.4-1968", "iso646-us"}
# Labels that name no charset at all.
NO_CHARSET = {"x-unknown", "unknown", "unknown-8bit"}
# ISO-8859-1 is read as its superset windows-1252, as mail programs and web
# browsers do (text so labelled very often holds curly quotes in 0x80-0x9F).
WINDOWS_1252 = {"windows-1252", "cp1252", "iso-8859-1", "iso8859-1", "latin1", "iso_8859-1", "l1", "x-cp1252"}


def python_codec(label):
    """The Python text codec for a charset label, or None when unknown."""
    candidates = [label]
    try:
        candidates.insert(0, email.charset.Charset(label).input_codec or label)
    except (UnicodeError, ValueError, email.errors.MessageError):
        pass
    # Names Python spells otherwise: windows-874 is cp874; ISO-8859-8-I and
    # -E are ISO-8859-8 with a word on the direction of the text.
    candidates.append(re.sub(r"^windows-(\d+)$", r"cp\1", label))
    candidates.append(re.sub(r"^(iso-?8859-[68])-[ie]$", r"\1", label))
    for candidate in candidates:
        try:
            info = codecs.lookup(candidate)
        except (LookupError, ValueError, TypeError):
            continue
        # base64_codec, rot13 and the like are no character sets.
        if getattr(info, "_is_text_encoding", True):
            return info.name
    return None


def decode_charset(data, label):
    """Bytes in a declared charset to text by the decoding rules."""
    label = (label or "").strip().strip('"').lower()
    if label in UTF8_OR_ASCII or label in NO_CHARSET:
        return utf8_or_windows1252(data)
    if label in WINDOWS_1252:
        return windows1252(data)
    codec = python_codec(label)
    if codec is None:
        return utf8_or_windows1252(data)
    if codec in ("utf-8",):
        return utf8_or_windows1252(data)
    try:
        return data.decode(codec, "replace")
    except (LookupError, TypeError, ValueError):
        return utf8_or_windows1252(data)


# ---------------------------------------------------------------- lines

LINE_END = re.compile(r"\r\n|\r|\n")
LINE_END_BYTES = re.compile(rb"\r\n|\r|\n")


def text_lines(text):
    """Lines of a text: CR LF, LF and CR end lines; a final one adds none."""
    if not text:
        return []
    lines = LINE_END.split(text)
    if lines and lines[-1] == "" and LINE_END.search(text[-2:]):
        lines.pop()
    return lines


# ---------------------------------------------------------------- headers

FIELD_NAME = re.compile(rb"^([\x21-\x39\x3b-\x7e]+)[ \t]*:")


def is_field_line(line):
    return FIELD_NAME.match(line) is not None


def split_header(data):
    """(header lines, body) of a message's bytes.

    Header lines are the raw logical lines up to the first empty line, each
    with its continuation lines (those beginning with a blank) joined on,
    line breaks still in. A bare CR is no line end here: it is a byte of
    the field.
    """
    logical = []
    offset = 0
    while offset < len(data):
        end = data.find(b"\n", offset)
        nxt = len(data) if end < 0 else end + 1
        line = data[offset:nxt]
        bare = line.rstrip(b"\n")
        if bare.endswith(b"\r"):
            bare = bare[:-1]
        if bare == b"":
            offset = nxt
            break
        if bare[:1] in (b" ", b"\t") and logical:
            logical[-1] += line
        else:
            logical.append(line)
        offset = nxt
    return logical, data[offset:]


def unfold(raw):
    return raw.replace(b"\r\n", b"").replace(b"\n", b"")


ENCODED_WORD = re.compile(r"=\?([\x21-\x3e\x40-\x7e]+)\?([bBqQ])\?([^ \t]*?)\?=")
BASE64_ALPHABET = re.compile(rb"[^A-Za-z0-9+/]")


def lenient_base64(text):
    """Base64 undone as mail needs it: characters outside the alphabet
    skipped, the first "=" the end of the data (RFC 2045 allows taking it
    so), and a last group cut short (padding left out) read for the bytes it
    holds."""
    data = BASE64_ALPHABET.sub(b"", text.split(b"=", 1)[0])
    whole = len(data) - len(data) % 4
    out = base64.b64decode(data[:whole])
    rest = data[whole:]
    if len(rest) >= 2:
        out += base64.b64decode(rest + b"=" * (4 - len(rest)))
    return out


def undo_q(text):
    out = bytearray()
    i = 0
    data = text.encode("utf-8")
    while i < len(data):
        c = data[i : i + 1]
        if c == b"_":
            out += b" "
        elif c == b"=" and re.fullmatch(rb"[0-9A-Fa-f]{2}", data[i + 1 : i + 3] or b""):
            out.append(int(data[i + 1 : i + 3], 16))
            i += 2
        else:
            out += c
        i += 1
    return bytes(out)


def decode_words(value):
    """RFC 2047 encoded words undone; adjacent words (only blanks between)
    joined without those blanks, their bytes read together when they share a
    charset, so that a character split across two words is whole again."""
    out = []
    pending = None  # [charset, base64 text not yet undone, bytes]
    pos = 0

    def flush():
        nonlocal pending
        if pending:
            data = pending[2] + lenient_base64(pending[1])
            out.append(decode_charset(data, pending[0]))
        pending = None

    for match in ENCODED_WORD.finditer(value):
        between = value[pos : match.start()]
        charset = match.group(1).split("*", 1)[0].lower()
        if pending is None or between.strip(" \t") != "":
            flush()
            out.append(between)
        elif pending[0] != charset:
            flush()
        if pending is None:
            pending = [charset, b"", b""]
        encoded = match.group(3)
        if match.group(2) in "bB":
            # A word may end inside a group of four; the next word goes on.
            pending[1] += encoded.encode("utf-8")
            if len(pending[1]) % 4 == 0:
                pending[2] += lenient_base64(pending[1])
                pending[1] = b""
        else:
            pending[2] += lenient_base64(pending[1])
            pending[1] = b""
            pending[2] += undo_q(encoded)
        pos = match.end()
    flush()
    out.append(value[pos:])
    return "".join(out)


def one_line(text):
    return text.replace("\r", " ").replace("\n", " ")


def field_parts(logical):
    """(name, raw value) of a logical header line, or None if no field."""
    match = FIELD_NAME.match(logical)
    if not match:
        return None
    value = unfold(logical[match.end() :])
    value = value.lstrip(b" \t")
    value = value.rstrip(b"\r\n")
    return match.group(1), value


def header_lines(logical_lines):
    """The decoded header: one line a field, "Name: value"."""
    lines = []
    for logical in logical_lines:
        parts = field_parts(logical)
        if parts is None:
            lines.append(one_line(utf8_or_windows1252(unfold(logical).rstrip(b"\r\n"))))
            continue
        name, value = parts
        text = decode_words(utf8_or_windows1252(value))
        lines.append(one_line(utf8_or_windows1252(name) + ": " + text))
    return lines


def parameter(head, name, header="content-type"):
    """A header parameter as text (RFC 2231 forms joined and decoded)."""
    value = head.get_param(name, header=header)
    if isinstance(value, tuple):
        value = email.utils.collapse_rfc2231_value(value)
    return value


def header_object(logical_lines, default_type="text/plain"):
    """The fields as an email.message.Message, for its parameter parsing."""
    fields = []
    for logical in logical_lines:
        parts = field_parts(logical)
        if parts is not None:
            # As text, 8-bit bytes read by the header rule: the email package
            # would turn each into U+FFFD.
            fields.append(parts[0].decode("ascii") + ": " + utf8_or_windows1252(parts[1]) + "\n")
    msg = email.message_from_string("".join(fields) + "\n", policy=email.policy.compat32)
    msg.set_default_type(default_type)
    return msg


# ---------------------------------------------------------------- HTML

BLOCKS = {"br", "p", "div", "tr", "li", "h1", "h2", "h3", "h4", "h5", "h6", "table", "blockquote"}
DROPPED = {"script", "style", "head"}
# A title outside any head element is still the document's head.
HEAD_ONLY = {"title"}
BLANKS = re.compile(r"[ \t\n\r\f\u00a0]+")


class HtmlLines(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.lines = []
        self.current = []
        self.dropped = []

    def end_line(self, always=False):
        line = BLANKS.sub(" ", "".join(self.current)).strip(" ")
        if line or always:
            self.lines.append(line)
        self.current = []

    def handle_starttag(self, tag, attrs):
        if tag == "body" and "head" in self.dropped:
            self.dropped = [t for t in self.dropped if t != "head"]
        if tag in DROPPED or tag in HEAD_ONLY:
            self.dropped.append(tag)
            return
        if tag == "br":
            self.end_line(always=True)
        elif tag in BLOCKS:
            self.end_line()

    def handle_startendtag(self, tag, attrs):
        if tag in DROPPED or tag in HEAD_ONLY:
            return
        self.handle_starttag(tag, attrs)

    def handle_endtag(self, tag):
        if tag in self.dropped:
            while self.dropped and self.dropped.pop() != tag:
                pass
            return
        if tag in BLOCKS and tag != "br":
            self.end_line()

    def handle_data(self, data):
        if not self.dropped:
            self.current.append(data)

    def text(self):
        self.close()
        self.end_line()
        out = []
        for line in self.lines:
            if line == "" and (not out or out[-1] == ""):
                continue
            out.append(line)
        while out and out[-1] == "":
            out.pop()
        return out


def html_lines(text):
    parser = HtmlLines()
    parser.feed(text)
    return parser.text()


# ---------------------------------------------------------------- bodies


class Limits(Exception):
    """The message is past the decoding limits: it is read as plain text."""


MAX_DEPTH = 100
MAX_PARTS = 10000


def undo_transfer_encoding(body, encoding):
    # The field may carry a comment: "base64 (text)".
    encoding = re.sub(r"\([^)]*\)", "", encoding or "").strip().lower()
    if encoding == "base64":
        return lenient_base64(body)
    if encoding == "quoted-printable":
        return quopri.decodestring(body)
    if encoding in ("x-uuencode", "uuencode", "x-uue", "uue"):
        # Mail programs undo uuencoded bodies as well; the email package's
        # own decoder does it.
        holder = email.message.Message()
        holder["Content-Transfer-Encoding"] = encoding
        holder.set_payload(body.decode("latin-1"))
        return holder.get_payload(decode=True)
    return body


def split_multipart(body, boundary):
    """(preamble, parts) of a multipart body; parts is None when no
    boundary line comes at all.

    The line end before a boundary line belongs to the boundary; the
    epilogue is no part; a missing closing boundary ends the last part at
    the end of the body."""
    delimiter = b"--" + boundary
    preamble = None
    parts = []
    start = None
    for match in re.finditer(rb"[^\r\n]*(?:\r\n|\r|\n|$)", body):
        if match.start() == len(body):
            break
        bare = match.group(0).rstrip(b"\r\n").rstrip(b" \t")
        if bare != delimiter and bare != delimiter + b"--":
            continue
        # Drop the one line end that precedes the boundary line.
        end = match.start()
        if body[max(0, end - 2) : end] == b"\r\n":
            end -= 2
        elif body[max(0, end - 1) : end] in (b"\n", b"\r"):
            end -= 1
        if start is None:
            preamble = body[:max(0, end)]
        else:
            parts.append(body[start:max(start, end)])
        start = match.end()
        if bare != delimiter:
            return preamble, parts
    if start is None:
        return body, None
    parts.append(body[start:])
    return preamble, parts


class Reader:
    def __init__(self):
        self.parts = 0
        self.html = False

    def message(self, data, depth):
        """Decoded lines of one message: header, an empty line, body."""
        if depth > MAX_DEPTH:
            raise Limits()
        logical, body = split_header(data)
        lines = header_lines(logical)
        lines.append("")
        lines += self.entity(header_object(logical), body, depth)
        return lines

    def entity(self, head, body, depth):
        self.parts += 1
        if self.parts > MAX_PARTS or depth > MAX_DEPTH:
            raise Limits()
        ctype = head.get_content_type()
        maintype = ctype.split("/", 1)[0]
        if maintype == "multipart":
            return self.multipart(head, body, ctype, depth)
        filename = self.filename(head)
        if ctype in ("message/rfc822", "message/global"):
            lines = []
            if filename is not None:
                lines.append("Attachment: %s (%s)" % (filename, ctype))
            data = undo_transfer_encoding(body, head.get("Content-Transfer-Encoding"))
            return lines + self.message(data, depth + 1)
        is_text = maintype in ("text", "message")
        lines = []
        if filename is not None or not is_text:
            lines.append("Attachment: %s (%s)" % (filename if filename is not None else "unnamed", ctype))
        if not is_text:
            return lines
        data = undo_transfer_encoding(body, head.get("Content-Transfer-Encoding"))
        text = decode_charset(data, parameter(head, "charset"))
        if ctype == "text/html":
            self.html = True
            return lines + html_lines(text)
        return lines + text_lines(text)

    def multipart(self, head, body, ctype, depth):
        boundary = parameter(head, "boundary")
        preamble, parts = body, None
        if boundary is not None:
            preamble, parts = split_multipart(body, boundary.encode("utf-8"))
        if not parts:
            # No part at all (the boundary never came): the preamble, which
            # is then all there is, is shown rather than lost.
            return text_lines(utf8_or_windows1252(preamble))
        default = "message/rfc822" if ctype == "multipart/digest" else "text/plain"
        entities = []
        for part in parts:
            if part[:1] in (b"\n", b"\r") or not is_field_line(part.split(b"\n", 1)[0].rstrip(b"\r")):
                # No header: the part is all body (an empty line before it
                # is the end of an empty header).
                stripped = part
                if part.startswith(b"\r\n"):
                    stripped = part[2:]
                elif part[:1] in (b"\n", b"\r"):
                    stripped = part[1:]
                entities.append((header_object([], default), stripped))
            else:
                logical, rest = split_header(part)
                entities.append((header_object(logical, default), rest))
        if ctype == "multipart/alternative":
            chosen = entities[-1]
            for head_, body_ in entities:
                if head_.get_content_type() == "text/plain":
                    chosen = (head_, body_)
                    break
            return self.entity(chosen[0], chosen[1], depth + 1)
        lines = []
        for head_, body_ in entities:
            lines += self.entity(head_, body_, depth + 1)
        return lines

    @staticmethod
    def filename(head):
        name = head.get_filename()
        if name is None:
            return None
        return one_line(decode_words(name))


# ---------------------------------------------------------------- files


def plain_text_lines(data):
    """A file that is no message: line by line, UTF-8 where valid, else
    windows-1252."""
    lines = LINE_END_BYTES.split(data)
    if lines and lines[-1] == b"" and data:
        lines.pop()
    if not data:
        return []
    return [utf8_or_windows1252(line) for line in lines]


def first_line(data, offset=0):
    end = data.find(b"\n", offset)
    line = data[offset:] if end < 0 else data[offset:end]
    return line.rstrip(b"\r"), (len(data) if end < 0 else end + 1)


def looks_like_message(data):
    offset = 0
    if data.startswith(b"From "):
        _, offset = first_line(data)
    if offset >= len(data):
        return False
    line, _ = first_line(data, offset)
    return is_field_line(line)


def mailbox_messages(data):
    """(separator line, message bytes) of each message of an mbox: a new
    one begins with a "From " line after an empty line; the empty line goes
    with neither message."""
    spans = []
    start = 0
    for match in re.finditer(rb"\n(\r?\n)From ", data):
        # The message ends after its last line end.
        spans.append((start, match.start() + 1))
        start = match.end() - len(b"From ")
    spans.append((start, len(data)))
    messages = []
    for start, end in spans:
        separator, body_start = first_line(data, start)
        messages.append((separator, data[min(body_start, end) : end]))
    return messages


def expected_lines(path):
    """(lines, has HTML) of a file by the decoding rules."""
    with open(path, "rb") as handle:
        data = handle.read()
    if not looks_like_message(data):
        return plain_text_lines(data), False
    name = os.path.basename(path)
    if not name.lower().endswith(".eml") and data.startswith(b"From "):
        messages = mailbox_messages(data)
    else:
        separator = b""
        if data.startswith(b"From "):
            separator, offset = first_line(data)
            data = data[offset:]
        messages = [(separator, data)]
    lines = []
    reader = Reader()
    try:
        for separator, message in messages:
            if separator:
                lines.append(one_line(utf8_or_windows1252(separator)))
            reader.parts = 0
            if looks_like_message(message):
                lines += reader.message(message, 1)
            else:
                # A message with no header section is read as text.
                lines += plain_text_lines(message)
    except (Limits, RecursionError):
        return plain_text_lines(open(path, "rb").read()), reader.html
    return lines, reader.html


# ---------------------------------------------------------------- comparing


def find_extract(explicit):
    if explicit:
        return explicit
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    for build in ("build", "build-asan"):
        for root, _dirs, files in os.walk(os.path.join(top, build)):
            if "tollervane-extract" in files:
                candidate = os.path.join(root, "tollervane-extract")
                if os.access(candidate, os.X_OK):
                    return candidate
    sys.exit("tollervane-extract not found: build it, or name it with --extract")


def actual_lines(extract, paths):
    """Decoded lines of each file, as tollervane-extract gives them."""
    by_file = {path: [] for path in paths}
    command = [extract, "--all", "--decode", "--source", "--format", "jsonl", "--quiet", "--"]
    result = subprocess.run(command + paths, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    if result.returncode not in (0, 1) or b"could not be decoded" in result.stderr:
        # Errors, and files past the decoding limits (searched as they stand).
        sys.stderr.write(result.stderr.decode("utf-8", "replace"))
    for row in result.stdout.decode("utf-8").splitlines():
        if not row:
            continue
        record = json.loads(row)
        source = record["source"]
        text = next(value for key, value in record.items() if key not in ("source", "line"))
        by_file.setdefault(source, []).append(text)
    return by_file


def collect(arguments):
    files = []
    for argument in arguments:
        if os.path.isdir(argument):
            for root, _dirs, names in os.walk(argument):
                for name in sorted(names):
                    files.append(os.path.join(root, name))
        else:
            files.append(argument)
    return sorted(set(os.path.abspath(f) for f in files))


def shown(text):
    return json.dumps(text, ensure_ascii=False)


def main():
    options = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    options.add_argument("paths", nargs="+", help="message files or folders (every file in them)")
    options.add_argument("--extract", help="the tollervane-extract program")
    options.add_argument("--quiet", action="store_true", help="print differing files and the summary only")
    options.add_argument("--batch", type=int, default=500, help="files per tollervane-extract run")
    args = options.parse_args()
    extract = find_extract(args.extract)

    files = collect(args.paths)
    counts = {"equal": 0, "differ": 0, "skipped": 0, "html equal": 0, "html differ": 0}
    for first in range(0, len(files), args.batch):
        batch = files[first : first + args.batch]
        actual = actual_lines(extract, batch)
        for path in batch:
            try:
                expected, has_html = expected_lines(path)
            except Exception as error:  # one file the checker cannot read must not end the run
                counts["skipped"] += 1
                print("skipped %s: %s: %s" % (path, type(error).__name__, error))
                continue
            got = actual.get(path, [])
            group = "html " if has_html else ""
            if expected == got:
                counts[group + "equal"] += 1
                if not args.quiet:
                    print("equal   %s%s" % (path, " (HTML)" if has_html else ""))
                continue
            counts[group + "differ"] += 1
            number = next(
                (i for i, (e, g) in enumerate(zip(expected, got)) if e != g), min(len(expected), len(got))
            )
            e = shown(expected[number]) if number < len(expected) else "(no more lines)"
            g = shown(got[number]) if number < len(got) else "(no more lines)"
            print("differ  %s%s" % (path, " (HTML)" if has_html else ""))
            print("        line %d: expected %s" % (number + 1, e))
            print("        line %d: actual   %s" % (number + 1, g))
    print(
        "files: %d equal, %d differ, %d skipped; with HTML: %d equal, %d differ"
        % (counts["equal"], counts["differ"], counts["skipped"], counts["html equal"], counts["html differ"])
    )
    return 1 if counts["differ"] else 0


if __name__ == "__main__":
    sys.exit(main())
