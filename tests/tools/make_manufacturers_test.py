#!/usr/bin/env python3
"""The manufacturer table generator on real lines of the IEEE list."""

import os
import subprocess
import sys
import tempfile
import unittest

TOOL = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "make_manufacturers.py")

# Entries as the list has them: the "(hex)" line, the "(base 16)" line and the
# address, CR LF line ends, UTF-8.
OUI = """OUI/MA-L                                                    Organization
company_id                                                  Organization
                                                            Address

00-00-0C   (hex)\t\tCisco Systems, Inc
00000C     (base 16)\t\tCisco Systems, Inc
\t\t\t\t170 WEST TASMAN DRIVE
\t\t\t\tSAN JOSE  CA  95134-1706
\t\t\t\tUS

8C-B8-4A   (hex)\t\tSAMSUNG ELECTRO-MECHANICS(THAILAND)
8CB84A     (base 16)\t\tSAMSUNG ELECTRO-MECHANICS(THAILAND)
\t\t\t\t93 Moo 5, Bangkadi Industrial Park
\t\t\t\tPathumthani  12000
\t\t\t\tTH

C4-19-D1   (hex)\t\tTelink Semiconductor (Shanghai) Co., Ltd.
C419D1     (base 16)\t\tTelink Semiconductor (Shanghai) Co., Ltd.
\t\t\t\tNo. 1500 Zuchongzhi Rd, Building #3
\t\t\t\tShanghai  201203
\t\t\t\tCN

68-A4-0E   (hex)\t\tBSH Hausgeräte GmbH
68A40E     (base 16)\t\tBSH Hausgeräte GmbH
\t\t\t\tCarl-Wery-Str. 34
\t\t\t\tMunich  81739
\t\t\t\tDE

04-E1-C8   (hex)\t\tIMS Soluções em Energia Ltda.
04E1C8     (base 16)\t\tIMS Soluções em Energia Ltda.
\t\t\t\tAv. Dr. Maurício Cardoso, 1640
\t\t\t\tNovo Hamburgo  RS  93510-250
\t\t\t\tBR

60-89-B7   (hex)\t\tKAEL MÜHENDİSLİK ELEKTRONİK TİCARET SANAYİ LİMİTED ŞİRKETİ
6089B7     (base 16)\t\tKAEL MÜHENDİSLİK ELEKTRONİK TİCARET SANAYİ LİMİTED ŞİRKETİ
\t\t\t\tGazi Mah. Sivat Sok. No:28
\t\t\t\tAnkara  06560
\t\t\t\tTR

12-34-56   (hex)\t\t(Shanghai)
123456     (base 16)\t\t(Shanghai)
\t\t\t\tUS

AB-CD-EF   (hex)\t\t
ABCDEF     (base 16)\t\t
\t\t\t\tUS

""".replace("\n", "\r\n").encode("utf-8")

# Windows-1252 bytes, names cut to 15 characters and trimmed; a name that comes
# out empty gets no line.
EXPECTED = (b"00000c Cisco Systems,\r\n"
            b"8cb84a SAMSUNG ELECTRO\r\n"
            b"c419d1 Telink Semicond\r\n"
            b"68a40e BSH Hausger\xe4te\r\n"
            b"04e1c8 IMS Solu\xe7\xf5es em\r\n"
            b"6089b7 KAEL M\xdcHENDISLI\r\n"
            b"123456 (Shanghai)\r\n")


class MakeManufacturers(unittest.TestCase):
    def run_tool(self, oui):
        with tempfile.TemporaryDirectory() as folder:
            source = os.path.join(folder, "oui.txt")
            table = os.path.join(folder, "manufacturers.dat")
            with open(source, "wb") as f:
                f.write(oui)
            done = subprocess.run([sys.executable, TOOL, source, table], capture_output=True)
            made = None
            if os.path.exists(table):
                with open(table, "rb") as f:
                    made = f.read()
            return done.returncode, made, sorted(os.listdir(folder))

    def test_real_lines(self):
        code, made, files = self.run_tool(OUI)
        self.assertEqual(code, 0)
        self.assertEqual(made, EXPECTED)
        self.assertEqual(files, ["manufacturers.dat", "oui.txt"])  # no temporary left

    def test_characters_windows_1252_lacks(self):
        # Full-width letters, a no-break space, a letter with a combining mark, a
        # letter it has no form of, and a byte that is not UTF-8 (kept).
        name = "ＳＨ\u00a0Ł\u0301 冠ÿ".encode("utf-8") + b"\xff"
        line = b"203233     (base 16)\t\t" + name + b"\r\n"
        self.assertEqual(self.run_tool(line)[1], b"203233 SH L ?\xff\xff\r\n")

    def test_a_list_without_entries_makes_no_table(self):
        code, made, _ = self.run_tool(b"not the list\r\n")
        self.assertNotEqual(code, 0)
        self.assertIsNone(made)


if __name__ == "__main__":
    unittest.main()
