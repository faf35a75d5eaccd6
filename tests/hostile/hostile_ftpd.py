#!/usr/bin/env python3
"""A deliberately misbehaving FTP server for the hostile-server tests.

Listens on 127.0.0.1 (an ephemeral port, printed as the first line on
stdout) and serves each connection in its own thread. The user name picks
the misbehaviour for that connection:

  names        LIST with hostile names and garbage lines; RETR sends "hello"
  endless      LIST never ends: lines as fast as the socket takes them
  stall-list   LIST sends two lines, then nothing, connection kept open
  cut          RETR announces 1000 bytes, sends 500, closes the data connection
  stall-retr   RETR sends 100 bytes, then nothing, connection kept open
  mute         after the login, no command gets an answer
  mute-later   answers the log-in and what follows it up to OPTS, then nothing
  tree         the listing depends on the folder: "/good-dir" holds hostile
               names beside "ok.txt" and a folder "sub", which holds
               "deep.txt"; "/" lists as for "names"; every other folder is empty
  no-options   LIST with an option ("LIST -a") is refused with 501; a plain
               LIST shows ".hidden" and "ok.txt"

Commands that change the server (MKD, DELE, RMD, RNFR, STOR) are refused
with 550. With a file name as its argument the server writes every command
with its argument there, one per line. The server runs until its stdin
closes, so it never outlives the test that started it.
"""
import socket
import sys
import threading
import time

BAD_UTF8 = b"bad-\xff\xfe-utf8.txt"
LONG_NAME = b"L" * 10000


def tree_listing(folder):
    if folder == "/good-dir":
        lines = [
            b"-rw-r--r-- 1 u g 5 Jan 01 2024 ok.txt",
            b"drwxr-xr-x 2 u g 4096 Jan 01 2024 sub",
            b"-rw-r--r-- 1 u g 5 Jan 01 2024 ../../escape.txt",
            b"-rw-r--r-- 1 u g 5 Jan 01 2024 ../sibling.txt",
            b"-rw-r--r-- 1 u g 5 Jan 01 2024 a/b.txt",
            b"-rw-r--r-- 1 u g 5 Jan 01 2024 ..\\..\\win.txt",
            b"drwxr-xr-x 2 u g 4096 Jan 01 2024 ..",
            b"drwxr-xr-x 2 u g 4096 Jan 01 2024 .",
            b"drwxr-xr-x 2 u g 4096 Jan 01 2024 /etc",
            b"drwxr-xr-x 2 u g 4096 Jan 01 2024 ../..",
            b"lrwxrwxrwx 1 u g 4 Jan 01 2024 up -> ../",
        ]
    elif folder == "/good-dir/sub":
        lines = [b"-rw-r--r-- 1 u g 5 Jan 01 2024 deep.txt"]
    elif folder == "/":
        return hostile_listing()
    else:
        lines = []
    return b"".join(line + b"\r\n" for line in lines)


def hostile_listing():
    lines = [
        b"drwxr-xr-x 2 u g 4096 Jan 01 2024 good-dir",
        b"-rw-r--r-- 1 u g 5 Jan 01 2024 ok.txt",
        b"-rw-r--r-- 1 u g 5 Jan 01 2024 ../../escape.txt",
        b"-rw-r--r-- 1 u g 5 Jan 01 2024 a/b.txt",
        b"-rw-r--r-- 1 u g 5 Jan 01 2024 ..\\..\\win.txt",
        b"drwxr-xr-x 2 u g 4096 Jan 01 2024 ..",
        b"drwxr-xr-x 2 u g 4096 Jan 01 2024 /etc",
        b"-rw-r--r-- 1 u g 5 Jan 01 2024 ctrl\x01\x1b[31mred.txt",
        b"-rw-r--r-- 1 u g 5 Jan 01 2024 " + BAD_UTF8,
        b"-rw-r--r-- 1 u g 5 Jan 01 2024 " + LONG_NAME,
        b"-rw-r--r-- 1 u g 99999999999999999999999999 Jan 01 2024 huge-size.txt",
        b"-rw-r--r-- 1 u g -5 Feb 31 99:99 negative.txt",
        b"total 12",
        b"this is not a listing line at all",
        b"\x00\x00\x00 binary garbage \xc3",
        b"-rw-r--r--",
        b"",
    ]
    return b"\r\n".join(lines) + b"\r\n"


class Session:
    def __init__(self, control, log):
        self.control = control
        self.log = log
        self.scenario = b""
        self.passive = None
        self.folder = "/"

    def reply(self, text):
        self.control.sendall(text.encode("latin-1") + b"\r\n")

    def open_passive(self, extended):
        if self.passive is not None:
            self.passive.close()
        self.passive = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.passive.bind(("127.0.0.1", 0))
        self.passive.listen(1)
        port = self.passive.getsockname()[1]
        if extended:
            self.reply("229 Entering Extended Passive Mode (|||%d|)" % port)
        else:
            self.reply("227 Entering Passive Mode (127,0,0,1,%d,%d)" % (port >> 8, port & 255))

    def accept_data(self):
        if self.passive is None:
            self.reply("425 Use PASV first")
            return None
        self.passive.settimeout(10)
        try:
            data, _ = self.passive.accept()
        except OSError:
            self.reply("425 No data connection")
            return None
        finally:
            self.passive.close()
            self.passive = None
        return data

    def stall(self, data):
        # Holds both connections open without a byte more; the client must give up.
        try:
            while self.control.recv(4096):
                pass
        except OSError:
            pass
        data.close()

    def change_folder(self, arg):
        path = arg.decode("utf-8", "replace")
        if not path.startswith("/"):
            path = self.folder.rstrip("/") + "/" + path
        parts = []
        for part in path.split("/"):
            if part == "..":
                if parts:
                    parts.pop()
            elif part and part != ".":
                parts.append(part)
        self.folder = "/" + "/".join(parts)

    def list(self, arg):
        if self.scenario == b"no-options" and arg.startswith(b"-"):
            self.reply("501 Unknown option")
            return
        data = self.accept_data()
        if data is None:
            return
        self.reply("150 Here comes the listing")
        try:
            if self.scenario == b"tree":
                data.sendall(tree_listing(self.folder))
                data.close()
                self.reply("226 Done")
                return
            if self.scenario == b"no-options":
                data.sendall(b"-rw-r--r-- 1 u g 5 Jan 01 2024 .hidden\r\n"
                             b"-rw-r--r-- 1 u g 5 Jan 01 2024 ok.txt\r\n")
                data.close()
                self.reply("226 Done")
                return
            if self.scenario == b"endless":
                line = b"-rw-r--r-- 1 u g 5 Jan 01 2024 " + b"x" * 200 + b"\r\n"
                block = line * 512
                while True:
                    data.sendall(block)
            if self.scenario == b"stall-list":
                data.sendall(hostile_listing()[:200])
                return self.stall(data)
            data.sendall(hostile_listing())
        except OSError:
            data.close()
            self.reply("426 Listing aborted")
            return
        data.close()
        self.reply("226 Done")

    def retr(self):
        data = self.accept_data()
        if data is None:
            return
        try:
            if self.scenario == b"cut":
                self.reply("150 Opening BINARY mode data connection (1000 bytes)")
                data.sendall(b"c" * 500)
                data.close()
                self.reply("426 Connection closed; transfer aborted")
                return
            if self.scenario == b"stall-retr":
                self.reply("150 Opening BINARY mode data connection (1000 bytes)")
                data.sendall(b"s" * 100)
                return self.stall(data)
            self.reply("150 Opening BINARY mode data connection (5 bytes)")
            data.sendall(b"hello")
        except OSError:
            pass
        data.close()
        self.reply("226 Done")

    def run(self):
        self.reply("220 hostile test server")
        buffer = b""
        logged_in = False
        mute = False
        while True:
            while b"\n" not in buffer:
                chunk = self.control.recv(4096)
                if not chunk:
                    return
                buffer += chunk
            raw, buffer = buffer.split(b"\n", 1)
            raw = raw.rstrip(b"\r")
            verb, _, arg = raw.partition(b" ")
            verb = verb.upper()
            if self.log is not None:
                with open(self.log, "ab") as out:
                    out.write(verb + b" " + arg + b"\n")
            if mute or (logged_in and self.scenario == b"mute"):
                continue
            if verb == b"USER":
                self.scenario = arg
                self.reply("331 Password please")
            elif verb == b"PASS":
                logged_in = True
                self.reply("230 Logged in")
            elif verb == b"PWD":
                self.reply('257 "%s" is the current directory' % self.folder)
            elif verb == b"CWD":
                self.change_folder(arg)
                self.reply("250 OK")
            elif verb in (b"TYPE", b"OPTS", b"NOOP", b"MODE", b"STRU"):
                self.reply("200 OK")
                mute = verb == b"OPTS" and self.scenario == b"mute-later"
            elif verb == b"FEAT":
                self.reply("211 No features")
            elif verb == b"SYST":
                self.reply("215 UNIX Type: L8")
            elif verb == b"EPSV":
                self.open_passive(True)
            elif verb == b"PASV":
                self.open_passive(False)
            elif verb in (b"LIST", b"NLST", b"MLSD"):
                self.list(arg)
            elif verb == b"RETR":
                self.retr()
            elif verb == b"SIZE":
                self.reply("213 1000" if self.scenario in (b"cut", b"stall-retr") else "213 5")
            elif verb == b"QUIT":
                self.reply("221 Bye")
                return
            else:
                self.reply("550 Not on this server")


def serve(control, log):
    try:
        Session(control, log).run()
    except OSError:
        pass
    finally:
        control.close()


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    log = sys.argv[1] if len(sys.argv) > 1 else None

    def accept_forever():
        while True:
            control, _ = listener.accept()
            threading.Thread(target=serve, args=(control, log), daemon=True).start()

    threading.Thread(target=accept_forever, daemon=True).start()
    sys.stdin.read()  # the test closes our stdin when it ends


if __name__ == "__main__":
    main()
