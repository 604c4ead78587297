#!/usr/bin/env python3
"""Writes a mail-like Larkmail data folder: many small message files, a few
large mailbox databases that compress well, and incompressible attachments.
Deterministic for a given size.

    make_profile.py TARGET_FOLDER [SIZE_MB]   (default 200)
"""
import os
import random
import sys

WORDS = ("meeting project invoice hello regards thanks tomorrow report budget "
         "schedule family holiday photo contract review draft update question").split()


def text_block(rng, size):
    out = []
    n = 0
    while n < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(6, 14))) + "\r\n"
        out.append(line)
        n += len(line)
    return "".join(out).encode("ascii")[:size]


def main():
    target = sys.argv[1]
    size = int(float(sys.argv[2]) * 1024 * 1024) if len(sys.argv) > 2 else 200 * 1024 * 1024
    rng = random.Random(20261208)
    os.makedirs(target, exist_ok=True)
    # 15 % small messages, 55 % databases, 30 % attachments.
    small_total, db_total = size * 15 // 100, size * 55 // 100
    attach_total = size - small_total - db_total
    written = 0
    folder_index = 0
    while written < small_total:
        folder = os.path.join(target, "Mail", f"Folder{folder_index:02d}")
        os.makedirs(folder, exist_ok=True)
        for i in range(200):
            body = text_block(rng, rng.randint(1500, 9000))
            with open(os.path.join(folder, f"msg{i:04d}.eml"), "wb") as f:
                f.write(b"From: someone@example.org\r\nSubject: note\r\n\r\n" + body)
            written += len(body)
            if written >= small_total:
                break
        folder_index += 1
    chunk = text_block(rng, 1024 * 1024)
    for i in range(4):
        with open(os.path.join(target, f"mailbox{i}.db"), "wb") as f:
            left = db_total // 4
            while left > 0:
                piece = chunk[: min(left, len(chunk))]
                f.write(piece)
                left -= len(piece)
    attachments = os.path.join(target, "Attachments")
    os.makedirs(attachments, exist_ok=True)
    for i in range(6):
        with open(os.path.join(attachments, f"photo{i}.jpg"), "wb") as f:
            f.write(rng.randbytes(attach_total // 6))


if __name__ == "__main__":
    main()
