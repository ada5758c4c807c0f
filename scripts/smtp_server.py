#!/usr/bin/python3
# A small SMTP server for the integration tests (Debian: python3-aiosmtpd).
# Every accepted message is stored as NNNNNN.eml (the bytes as received,
# dots unstuffed) with NNNNNN.json (HELO, MAIL FROM, RCPT TO) written last.
# Recipients beginning "reject" are refused with 550; a sender beginning
# "reject" is refused with 550 at MAIL FROM.
# usage: smtp_server.py PORT SPOOL_DIR PIDFILE
import asyncio
import json
import os
import re
import signal
import sys

from aiosmtpd.smtp import SMTP

PORT, SPOOL, PIDFILE = int(sys.argv[1]), sys.argv[2], sys.argv[3]
REJECT = re.compile(r"^<?reject", re.I)


class Handler:
    seq = 0

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if REJECT.search(address):
            return "550 5.1.0 <%s>: Sender address rejected" % address
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 2.1.0 Ok"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in ("", "<>") or REJECT.search(address):
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        return "250 2.1.5 Ok"

    async def handle_DATA(self, server, session, envelope):
        Handler.seq += 1
        base = os.path.join(SPOOL, "%06d" % Handler.seq)
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        meta = {"helo": session.host_name, "mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos}
        with open(base + ".tmp", "w") as f:
            json.dump(meta, f)
        os.rename(base + ".tmp", base + ".json")
        return "250 2.0.0 Ok: queued"


class LongLineSMTP(SMTP):
    line_length_limit = 65536


async def main():
    loop = asyncio.get_running_loop()
    handler = Handler()
    server = await loop.create_server(
        lambda: LongLineSMTP(handler, hostname="mail.test", decode_data=False, loop=loop), "127.0.0.1", PORT)
    stop = asyncio.Event()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    with open(PIDFILE, "w") as f:
        f.write("%d\n" % os.getpid())
    await stop.wait()
    server.close()
    os.unlink(PIDFILE)


asyncio.run(main())
