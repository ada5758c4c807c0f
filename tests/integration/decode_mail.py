#!/usr/bin/python3
# An independent reading of a sent message for the integration tests: the
# standard library's e-mail package decodes the stored bytes. Prints UTF-8
# lines "key<TAB>value" (backslash, CR, LF and TAB escaped) and writes each
# attachment's decoded bytes into OUTDIR.
# usage: decode_mail.py MESSAGE.eml OUTDIR
import email
import email.policy
import os
import sys


def esc(s):
    return s.replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n").replace("\t", "\\t")


def out(key, *values):
    sys.stdout.write("\t".join([key] + [esc(str(v)) for v in values]) + "\n")


raw = open(sys.argv[1], "rb").read()
outdir = sys.argv[2]
msg = email.message_from_bytes(raw, policy=email.policy.default)
out("header-names", ",".join(msg.keys()))
for name in ("Date", "From", "To", "Cc", "Bcc", "Subject", "Reply-To", "Message-ID", "In-Reply-To",
             "Disposition-Notification-To"):
    if name in msg:
        out("header", name, str(msg[name]))
out("defects", len(msg.defects))
n = 0
for part in msg.walk():
    if part.is_multipart():
        continue
    if part.get_filename() is not None:
        n += 1
        path = os.path.join(outdir, "part%d" % n)
        with open(path, "wb") as f:
            f.write(part.get_payload(decode=True) or b"")
        out("attachment", part.get_filename(), part.get_content_type(), part.get_content_disposition(),
            part.get("Content-ID", ""), path)
    else:
        out("text", part.get_content_type(), part.get_content_charset(), part.get_content())
