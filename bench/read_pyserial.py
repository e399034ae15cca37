#!/usr/bin/env python3
"""The same read as `quintrel-cli read`, written the obvious way with pyserial: each frame in three
pieces after 10 ms pauses, then the reply read one byte at a time with a 1 ms time-out, in three
stages of at most 1000 ms each. Usage: read_pyserial.py PORT"""
import sys
import time

import serial

STX, ETX = 0x02, 0x03
BITRATES = ["CAN Invalid", "125kbps", "250kbps", "500kbps", "1Mbps"]


def exchange(port, payload):
    port.reset_input_buffer()
    port.reset_output_buffer()
    check = ETX
    for byte in payload:
        check ^= byte
    for piece in (bytes([STX]), payload, bytes([ETX, check])):
        time.sleep(0.010)
        port.write(piece)

    def read_within(start):
        while time.monotonic() - start <= 1.0:
            byte = port.read(1)
            if byte:
                return byte[0]
        raise TimeoutError("Response reception timeout")

    start = time.monotonic()
    while read_within(start) != STX:
        pass
    body = bytearray()
    start = time.monotonic()
    while True:
        byte = read_within(start)
        body.append(byte)
        if byte == ETX:
            break
    reply_check = 0
    for byte in body:
        reply_check ^= byte
    if read_within(time.monotonic()) != reply_check:
        raise ValueError("Response BCC error")
    return body[:-1].decode("latin-1")


def first_token(reply):
    tokens = reply.split(" ")
    return next((token for token in tokens if token), "")


def main():
    port = serial.Serial(sys.argv[1], 38400, timeout=0.001)
    try:
        code = int(first_token(exchange(port, b"ccebr")) or "0")
        print("bitrate:", BITRATES[code] if 1 <= code <= 4 else BITRATES[0], flush=True)
        identifier = int(first_token(exchange(port, b"ccidr")) or "0", 16)
        print("identifier: %X" % identifier)
    except (TimeoutError, ValueError) as failure:
        print(failure, file=sys.stderr)
        return 1
    finally:
        port.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
