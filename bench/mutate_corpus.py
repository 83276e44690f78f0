#!/usr/bin/env python3
"""Writes a corpus of damaged MIDI files for comparing the host's output
before and after a change to the scanner:

    bench/mutate_corpus.py OUT_DIR SEED_FILE...

Each seed is copied as is and then mutated a fixed number of times with a
fixed random seed (byte changes, truncation, inserted and deleted bytes,
huge lengths, data bytes where a status belongs), so the same command always
writes the same files."""
import os
import random
import sys

MUTANTS_PER_SEED = 12


def mutate(data: bytearray, rng: random.Random) -> bytearray:
    data = bytearray(data)
    for _ in range(rng.randint(1, 4)):
        kind = rng.randrange(7)
        if not data:
            data += bytes(rng.randrange(256) for _ in range(rng.randint(1, 20)))
            continue
        at = rng.randrange(len(data))
        if kind == 0:
            data[at] = rng.randrange(256)
        elif kind == 1:
            del data[rng.randrange(len(data)):]
        elif kind == 2:
            data[at:at] = bytes(rng.randrange(256) for _ in range(rng.randint(1, 8)))
        elif kind == 3:
            del data[at:at + rng.randint(1, 8)]
        elif kind == 4:  # a 32-bit length somewhere becomes huge or zero
            value = rng.choice([0, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 1 << 20, rng.randrange(1 << 32)])
            data[at:at + 4] = value.to_bytes(4, "big")
        elif kind == 5:  # a long variable-length quantity
            data[at:at] = bytes([0x8F, 0xFF, 0xFF, 0x7F])
        else:  # a data byte, or a bare status byte
            data[at] = rng.choice([0x00, 0x40, 0x7F, 0x80, 0x90, 0xC0, 0xF0, 0xF7, 0xFF])
    return data


def main() -> None:
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for index, seed_path in enumerate(sys.argv[2:]):
        with open(seed_path, "rb") as seed_file:
            seed = bytearray(seed_file.read())
        base = f"{index:03d}-" + os.path.basename(seed_path)
        with open(os.path.join(out_dir, base), "wb") as out:
            out.write(seed)
        rng = random.Random(base)
        for number in range(MUTANTS_PER_SEED):
            with open(os.path.join(out_dir, f"{base}.m{number:02d}.mid"), "wb") as out:
                out.write(mutate(seed, rng))


if __name__ == "__main__":
    main()
