"""A real SMTP server for the tests: aiosmtpd on a free port of 127.0.0.1.

Each message received is stored as <folder>/<n>.eml with its envelope in <n>.env (the sender on the first
line, one recipient a line after it); <folder>/connections counts the connections. Prints the port on
stdout, then serves until its standard input closes.

--reject-message N --reject-code C   answer C (4xx or 5xx) to the DATA of message N instead of 250
--drop-message N                      close the connection instead of accepting message N
"""

import argparse
import asyncio
import os
import socket
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP


class Store:
    def __init__(self, folder, reject_message, reject_code, drop_message):
        self.folder = folder
        self.count = 0
        self.connections = 0
        self.reject_message = reject_message
        self.reject_code = reject_code
        self.drop_message = drop_message

    def write_connections(self):
        with open(os.path.join(self.folder, "connections"), "w") as f:
            f.write(str(self.connections))

    async def handle_DATA(self, server, session, envelope):
        number = self.count + 1
        if number == self.drop_message:
            server.transport.close()
            return "421 closing"
        if number == self.reject_message:
            self.count = number  # the attempt counts, so that later messages keep their numbers
            return "%d message %d refused by the test server" % (self.reject_code, number)
        self.count = number
        base = os.path.join(self.folder, str(number))
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        with open(base + ".env", "w") as f:
            f.write(envelope.mail_from + "\n")
            for rcpt in envelope.rcpt_tos:
                f.write(rcpt + "\n")
        return "250 OK message %d stored" % number


class CountingSMTP(SMTP):
    def connection_made(self, transport):
        super().connection_made(transport)
        self.event_handler.connections += 1
        self.event_handler.write_connections()


class CountingController(Controller):
    def factory(self):
        return CountingSMTP(self.handler, **self.SMTP_kwargs)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--reject-message", type=int, default=0)
    parser.add_argument("--reject-code", type=int, default=554)
    parser.add_argument("--drop-message", type=int, default=0)
    args = parser.parse_args()

    store = Store(args.folder, args.reject_message, args.reject_code, args.drop_message)
    store.write_connections()
    port = free_port()
    controller = CountingController(store, hostname="127.0.0.1", port=port, data_size_limit=0)
    controller.start()
    # start() checks the server with a connection of its own; only ours count.
    store.connections = 0
    store.write_connections()
    print(port, flush=True)
    sys.stdin.read()
    controller.stop()


if __name__ == "__main__":
    main()
