#!/usr/bin/env python3
"""Writes a VZP batch file of a given size for the conversion: batches of every type that
is converted (05, 10, 12, 13, 14, 34, 36, 37, 81, 82, 90, 98, 99), some of their records
in the older shorter layouts, CR LF line ends. The records are built from their field
positions; the values are plausible but not checked (this is input for `quervik drg`, not
for the VZP check).

Usage: tools/vzp_convert_sample.py [--size 200M] [--seed 1] OUTPUT
"""
import argparse
import random


def line(length, *fields):
    """A record of the given length: blanks, with (position, text) pairs written in."""
    chars = [" "] * length
    for position, text in fields:
        chars[position - 1:position - 1 + len(text)] = text
    assert len(chars) == length
    return "".join(chars)


class Values:
    def __init__(self, rnd):
        self.rnd = rnd

    def digits(self, n):
        return "".join(self.rnd.choice("0123456789") for _ in range(n))

    def birth_number(self):
        year = self.rnd.randint(0, 99)
        month = self.rnd.randint(1, 12) + (50 if self.rnd.random() < 0.5 else 0)
        day = self.rnd.randint(1, 28)
        return "%02d%02d%02d%s" % (year, month, day, self.digits(4))

    def date(self):
        return "%02d%02d2024" % (self.rnd.randint(1, 28), self.rnd.randint(1, 12))

    def diagnosis(self):
        return self.rnd.choice("ABCIJKMSZ") + self.digits(3) + " "


def documents(v, batch_type):
    """One document of the batch type: its lines."""
    r = v.rnd
    rc, date, icp = v.birth_number(), v.date(), v.digits(8)
    if batch_type == "05":
        out = [line(49, (1, "P"), (2, v.digits(7)), (9, "111"), (12, icp), (20, v.digits(6)), (26, "101"), (46, "001"))]
        out += [line(30, (1, "V"), (2, v.date()), (10, rc), (20, v.digits(5)), (25, v.diagnosis()))
                for _ in range(r.randint(1, 8))]
        return out + [line(13, (1, "N"), (2, rc), (12, "A"))]
    if batch_type == "10":
        second = r.random() < 0.5
        if r.random() < 0.2:  # the older layout with 5-character codes
            return [line(82, (1, "R"), (2, v.digits(3)), (5, rc), (15, date), (23, icp), (34, "1"), (35, v.digits(5)),
                         (40, "01.00"), (45, "000123.50"), (54, "1" if second else " "),
                         (55, v.digits(5) if second else "     "))]
        return [line(86, (1, "R"), (2, v.digits(3)), (5, rc), (15, date), (23, icp), (34, "1"), (35, v.digits(7)),
                     (42, "01.00"), (47, "000123.50"), (56, "2" if second else " "),
                     (57, v.digits(7) if second else "       "), (64, "02.00" if second else "     "))]
    if batch_type in ("12", "14"):
        letter, length = ("B", 39) if batch_type == "12" else ("F", 46)
        fields = [(1, letter), (2, v.digits(3)), (5, rc), (15, date), (23, icp), (32, "1")]
        fields += [(34, v.diagnosis())] if batch_type == "12" else [(34, v.digits(7)), (41, v.diagnosis())]
        out = [line(length, *fields)]
        for _ in range(r.randint(1, 5)):
            if r.random() < 0.2:
                out.append(line(14 if batch_type == "12" else 15, (1, "M"), (2, v.digits(5)), (7, "0012.50")))
            else:
                out.append(line(16 if batch_type == "12" else 17, (1, "M"), (2, v.digits(7)), (9, "0012.50")))
        return out
    if batch_type == "13":
        if r.random() < 0.2:
            return [line(118, (1, "O"), (2, v.digits(3)), (5, rc), (15, date), (23, icp), (35, v.digits(5)),
                         (40, "001.00"), (46, "0000099.90"), (66, v.diagnosis()), (78, date), (88, "207"))]
        return [line(120, (1, "O"), (2, v.digits(3)), (5, rc), (15, date), (23, icp), (35, v.digits(7)),
                     (42, "001.00"), (48, "0000099.90"), (68, v.diagnosis()), (80, date), (90, "207"))]
    if batch_type == "34":
        out = [line(149, (1, "T"), (2, v.digits(7)), (11, "001"), (14, "111"), (17, "1"), (18, icp), (26, v.digits(6)),
                    (32, "209"), (35, rc), (45, v.diagnosis()), (51, v.digits(8)), (83, "1A23456"), (90, date))]
        out += [line(16, (1, "V"), (2, r.choice([v.digits(5), "   " + v.digits(2)])), (7, "0002"), (11, "00150"))
                for _ in range(r.randint(1, 5))]
        return out + [line(3, (1, "N"), (2, "B")), line(7, (1, "G"), (2, v.diagnosis()))]
    if batch_type == "36":
        out = [line(51, (1, "J"), (2, v.digits(7)), (9, "111"), (12, icp), (20, v.digits(6)), (26, "210"),
                    (29, "0000150.00"), (39, "0000300"), (46, "001"), (49, "07"))]
        return out + [line(68, (1, "V"), (2, v.date()), (10, rc), (20, "0012"), (24, "000250.00"), (33, v.diagnosis()))
                      for _ in range(r.randint(1, 6))]
    if batch_type == "37":
        out = [line(136, (1, "W"), (2, v.digits(7)), (11, "001"), (14, "111"), (17, "1"), (18, icp), (26, v.digits(6)),
                    (32, "211"), (35, rc), (45, v.diagnosis()), (67, "1A23456"), (74, date), (82, "0800"), (86, "0900"))]
        out += [line(15, (1, "V"), (2, r.choice([v.digits(5), "   " + v.digits(2)])), (7, "003"), (10, "00100"))
                for _ in range(r.randint(1, 6))]
        out.append(line(3, (1, "N"), (2, "B")))
        out += [line(25, (1, "L"), (2, "3"), (3, v.digits(5)), (8, "002.000"), (15, "0000013.00")) if r.random() < 0.2
                else line(27, (1, "L"), (2, "2"), (3, v.digits(7)), (10, "001.000"), (17, "0000012.00"))
                for _ in range(r.randint(0, 3))]
        return out
    # 81, 82, 90, 98, 99: a document with its V lines, sometimes a Z document with L lines.
    long_l = 44 if batch_type in ("81", "82") else 40
    if batch_type in ("81", "98"):
        out = [line(93, (1, "A"), (2, v.digits(7)), (11, "001"), (14, "111"), (17, "1"), (18, icp), (26, v.digits(6)),
                    (32, "212"), (35, rc), (45, v.diagnosis()))]
        item = lambda: line(33 if batch_type == "81" else 29, (1, "V"), (2, v.date()), (10, v.digits(5)), (15, "1"),
                            (16, "213"), (19, v.diagnosis()), (24, "00075"))
    elif batch_type == "90":
        out = [line(100, (1, "E"), (2, v.digits(7)), (11, "001"), (14, "111"), (17, "1"), (18, icp), (26, v.digits(6)),
                    (32, "218"), (35, rc), (45, v.diagnosis()), (51, v.digits(8)), (66, date), (91, "219"))]
        item = lambda: line(16, (1, "V"), (2, v.date()), (10, v.digits(5)), (15, "1"))
    else:
        out = [line(101, (1, "H"), (2, v.digits(7)), (11, "001"), (14, "111"), (17, "1"), (18, icp), (26, v.digits(6)),
                    (32, "215"), (35, rc), (45, v.diagnosis()), (50, "3"), (51, "4"), (63, date), (71, date))]
        item = lambda: line(29 if batch_type == "82" else 25, (1, "V"), (2, v.date()), (10, v.digits(5)), (15, "216"),
                            (18, "03"), (20, "00250"))
    out += [item() for _ in range(r.randint(1, 12))]
    if batch_type in ("82", "99") and r.random() < 0.3:
        out.append(line(5, (1, "K"), (2, "4"), (3, "07")))
    if r.random() < 0.2:
        out.append(line(67, (1, "Z"), (2, v.digits(7)), (11, "002"), (14, icp), (22, v.digits(6)), (28, "214"), (31, rc)))
        for _ in range(r.randint(1, 3)):
            if r.random() < 0.3:
                out.append(line(long_l - 2, (1, "L"), (2, date), (10, "1"), (12, v.digits(5)), (17, "0000001.000"),
                                (28, "0000123.45")))
            else:
                out.append(line(long_l, (1, "L"), (2, date), (10, "1"), (12, v.digits(7)), (19, "0000001.000"),
                                (30, "0000123.45")))
    return out


TYPES = ["05", "10", "12", "13", "14", "34", "36", "37", "81", "82", "90", "98", "99"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--size", default="1M", help="approximate size, with K, M or G")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("output")
    args = parser.parse_args()
    units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    size = int(args.size[:-1]) * units[args.size[-1].upper()] if args.size[-1].upper() in units else int(args.size)

    v = Values(random.Random(args.seed))
    # A pool of batches, written over and over with fresh batch numbers until the size is reached.
    pool = []
    for i in range(400):
        batch_type = TYPES[i % len(TYPES)]
        docs = [documents(v, batch_type) for _ in range(v.rnd.randint(5, 40))]
        body = "".join(l + "\r\n" for doc in docs for l in doc)
        pool.append((batch_type, len(docs), body))
    written, number = 0, 0
    with open(args.output, "w", newline="", encoding="ascii") as out:
        while written < size:
            for batch_type, count, body in pool:
                number += 1
                header = line(62, (1, "D"), (2, "P"), (3, batch_type), (5, "12345678"), (13, "0111"), (17, "2024"),
                              (21, "03"), (23, "%06d" % (number % 1000000)), (29, "%03d" % (count % 1000)), (61, "1"))
                out.write(header + "\r\n")
                out.write(body)
                written += len(header) + 2 + len(body)
                if written >= size:
                    break


if __name__ == "__main__":
    main()
