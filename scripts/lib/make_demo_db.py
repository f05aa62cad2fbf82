"""Creates the demo host's SQLite database: tbKunden with realistic German
customers (umlauts, ß, missing addresses, a very long company name, a few
foreign countries) and tbFirma with the sender's company."""
import random
import sqlite3
import sys
from pathlib import Path

FIRST = ["Jürgen", "Sabine", "Günther", "Anna-Lena", "Björn", "Käthe", "Özlem", "Heinz", "Ursula", "Lukas",
         "Mia", "Ferdinand", "Zoë", "Klaus-Dieter", "Renée", "Jörg", "Sören", "Hannelore", "Emil", "Gisela"]
LAST = ["Müller", "Schäfer", "Weiß", "Groß", "Köhler", "Böttcher", "Schröder", "Krämer", "Meißner", "Jäger",
        "Hoffmann", "Becker", "Wagner", "Fuchs", "Lößl", "Dürr", "Brückner", "Voß", "Schulze", "Nußbaum"]
FEMALE = {"Sabine", "Anna-Lena", "Käthe", "Özlem", "Ursula", "Mia", "Zoë", "Renée", "Hannelore", "Gisela"}
STREETS = ["Hauptstraße", "Königsallee", "Gartenweg", "Mühlenstraße", "Schloßplatz", "Lindenstraße",
           "Am Bürgerpark", "Güterbahnhofstraße", "Rosenstraße", "Kirchgäßchen"]
CITIES = [("80331", "München", "Deutschland"), ("50667", "Köln", "Deutschland"), ("20095", "Hamburg", "Deutschland"),
          ("01067", "Dresden", "Deutschland"), ("70173", "Stuttgart", "Deutschland"),
          ("90402", "Nürnberg", "Deutschland"), ("04109", "Leipzig", "Deutschland"),
          ("1010", "Wien", "Österreich"), ("8001", "Zürich", "Schweiz"), ("9490", "Vaduz", "Liechtenstein"),
          ("L-1111", "Luxemburg", "Luxemburg")]
FIRMS = ["", "", "Bäckerei Groß", "Schreinerei Köhler GmbH", "Müller & Söhne KG", "Weinhandel Jäger",
         "Ingenieurbüro Schröder", "Gärtnerei Fuchs e.K.", ""]
LONG_FIRM = ("Vereinigte Mühlen-, Brauerei- und Getränkegroßhandelsgesellschaft Süddeutschland-Österreich "
             "mit beschränkter Haftung & Compagnie Kommanditgesellschaft auf Aktien")


def ascii_mail(text):
    table = str.maketrans({"ä": "ae", "ö": "oe", "ü": "ue", "ß": "ss", "Ä": "Ae", "Ö": "Oe", "Ü": "Ue",
                           "é": "e", "ë": "e", " ": "", "-": ""})
    return text.translate(table).lower()


def customers(count):
    rnd = random.Random(4711)
    for i in range(count):
        first, last = rnd.choice(FIRST), rnd.choice(LAST)
        plz, city, country = rnd.choice(CITIES)
        firm = LONG_FIRM if i == 7 else rnd.choice(FIRMS)
        email = f"{ascii_mail(first)}.{ascii_mail(last)}{i}@example.org"
        if i % 13 == 5:
            email = ""
        elif i % 17 == 3:
            email = None
        anrede = "Frau" if first in FEMALE else "Herr"
        if i % 10 == 4:  # a company known by its name alone, no person to greet
            anrede, first, last, firm = "Firma", "", "", FIRMS[2 + i % 6]
            email = email and f"info.{ascii_mail(firm.split()[0])}{i}@example.org"
        elif i % 10 == 6:
            anrede = "Frau Dr." if first in FEMALE else "Herr Dr."
        yield (10001 + i, anrede,
               first, last, firm, "Abt. Einkauf" if firm else "", f"{first} {last}" if firm and first else "",
               f"{rnd.choice(STREETS)} {rnd.randint(1, 120)}", plz, city, country, email,
               f"Kundin seit {2000 + i % 24}", "Newsletter" if i % 2 else "", "", rnd.choice(["A", "B", "C"]))


def main(path, count=60):
    db = sqlite3.connect(path)
    db.executescript("""
        CREATE TABLE tbKunden (KundenNr INTEGER PRIMARY KEY, Anrede TEXT, Vorname TEXT, Name TEXT, Firma TEXT,
            Zusatz TEXT, AnsprechPartner TEXT, Strasse TEXT, PLZ TEXT, Ort TEXT, Land TEXT, EMail TEXT,
            FreiFeld1 TEXT, FreiFeld2 TEXT, FreiFeld3 TEXT, PreisGruppe TEXT);
        CREATE TABLE tbFirma (ID INTEGER PRIMARY KEY, Firma1 TEXT, EMail TEXT);
    """)
    db.executemany("INSERT INTO tbKunden VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", customers(count))
    db.execute("INSERT INTO tbFirma (Firma1, EMail) VALUES (?, ?)",
               ("Velmora Feinkost GmbH", "versand@velmora-feinkost.example"))
    db.commit()


def pdf_saying(text):
    """A one-page PDF with one line of text."""
    stream = f"BT /F1 18 Tf 72 720 Td ({text}) Tj ET".encode("latin-1")
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
               b"/Resources << /Font << /F1 5 0 R >> >> >>",
               b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"\nendstream",
               b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]
    pdf, offsets = bytearray(b"%PDF-1.4\n"), []
    for number, body in enumerate(objects, 1):
        offsets.append(len(pdf))
        pdf += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(pdf)
    pdf += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    pdf += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    pdf += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(pdf)


def invoices(path, folder):
    """An invoice for each customer, "Rechnung <KundenNr>.pdf", except every
    ninth: those are missing on purpose."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    for (number,) in sqlite3.connect(path).execute("SELECT KundenNr FROM tbKunden"):
        if number % 9 != 0:
            (folder / f"Rechnung {number}.pdf").write_bytes(pdf_saying(f"Rechnung {number}"))


if __name__ == "__main__":
    if len(sys.argv) > 3 and sys.argv[2] == "--invoices":
        invoices(sys.argv[1], sys.argv[3])
    else:
        main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 60)
