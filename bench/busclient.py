"""A minimal desktop-bus client for the benchmarks: one connection, kept open,
that calls methods with string and integer arguments and waits for the reply.
Python's standard library only, so a benchmark needs no binding installed and
pays no process start per call.
"""
import os
import socket
import struct


class BusError(Exception):
    pass


class _Writer:
    def __init__(self):
        self.data = bytearray()

    def align(self, n):
        self.data += b"\0" * (-len(self.data) % n)

    def put(self, sig, value):
        if sig == "y":
            self.data += struct.pack("<B", value)
        elif sig in "ub":
            self.align(4)
            self.data += struct.pack("<I", int(value))
        elif sig == "i":
            self.align(4)
            self.data += struct.pack("<i", value)
        elif sig == "t":
            self.align(8)
            self.data += struct.pack("<Q", value)
        elif sig == "x":
            self.align(8)
            self.data += struct.pack("<q", value)
        elif sig in "so":
            raw = value.encode()
            self.align(4)
            self.data += struct.pack("<I", len(raw)) + raw + b"\0"
        elif sig == "g":
            raw = value.encode()
            self.data += struct.pack("<B", len(raw)) + raw + b"\0"
        else:
            raise ValueError(sig)


class Bus:
    """One connection to the bus at `address` (unix:path=... or unix:abstract=...)."""

    def __init__(self, address):
        params = dict(kv.split("=", 1) for kv in address.split(":", 1)[1].split(","))
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        if "path" in params:
            self.sock.connect(params["path"])
        else:
            self.sock.connect("\0" + params["abstract"])
        self.sock.sendall(b"\0AUTH EXTERNAL " + str(os.getuid()).encode().hex().encode() + b"\r\n")
        if not self._line().startswith(b"OK "):
            raise BusError("bus refused authentication")
        self.sock.sendall(b"BEGIN\r\n")
        self.serial = 0
        self.buffer = b""
        self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello", "", [])

    def _line(self):
        line = b""
        while not line.endswith(b"\r\n"):
            chunk = self.sock.recv(1)
            if not chunk:
                raise BusError("bus closed the connection")
            line += chunk
        return line

    def _read(self, n):
        while len(self.buffer) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise BusError("bus closed the connection")
            self.buffer += chunk
        out, self.buffer = self.buffer[:n], self.buffer[n:]
        return out

    def call(self, dest, path, interface, member, signature, args):
        """Calls a method and waits for its reply; raises BusError on an error reply."""
        self.serial += 1
        body = _Writer()
        for sig, value in zip(signature, args):
            body.put(sig, value)
        fields = [(1, "o", path), (2, "s", interface), (3, "s", member), (6, "s", dest)]
        if signature:
            fields.append((8, "g", signature))
        head = _Writer()
        head.data += struct.pack("<cBBBII", b"l", 1, 0, 1, len(body.data), self.serial)
        array = _Writer()
        array.data = bytearray(16)  # the array starts at offset 16 of the message
        for code, sig, value in fields:
            array.align(8)
            array.put("y", code)
            array.put("g", sig)
            array.put(sig, value)
        head.data += struct.pack("<I", len(array.data) - 16) + array.data[16:]
        head.align(8)
        self.sock.sendall(bytes(head.data) + bytes(body.data))
        while True:
            fixed = self._read(16)
            kind = fixed[1]
            body_len, _, fields_len = struct.unpack("<III", fixed[4:16])
            rest = self._read(fields_len + (-(16 + fields_len) % 8) + body_len)
            reply_to = None
            # Only the REPLY_SERIAL field (5, "u") is needed.
            at = 0
            while at < fields_len:
                at += -at % 8
                code = rest[at]
                sig_len = rest[at + 1]
                sig = rest[at + 2:at + 2 + sig_len].decode()
                at += 3 + sig_len
                if sig in ("u", "i"):
                    at += -(at + 16) % 4
                    value = struct.unpack("<I", rest[at:at + 4])[0]
                    at += 4
                elif sig in ("s", "o"):
                    at += -(at + 16) % 4
                    n = struct.unpack("<I", rest[at:at + 4])[0]
                    at += 4 + n + 1
                    value = None
                elif sig == "g":
                    n = rest[at]
                    at += 1 + n + 1
                    value = None
                else:
                    raise BusError("unexpected header field type " + sig)
                if code == 5:
                    reply_to = value
            if reply_to == self.serial and kind in (2, 3):
                if kind == 3:
                    raise BusError(f"{member} failed")
                return rest[len(rest) - body_len:]

    def close(self):
        self.sock.close()
