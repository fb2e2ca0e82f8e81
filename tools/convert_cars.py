#!/usr/bin/env python3
"""Converts data/cars.json of the npm package vega-datasets into DataSets/Cars.lumet.

    cd /tmp && npm pack vega-datasets && tar xzf vega-datasets-*.tgz
    tools/convert_cars.py /tmp/package/data/cars.json DataSets/Cars.lumet

One column per field, in the order of the JSON objects. The car name becomes one token
(blanks replaced by '_'), the model year the year as a number, the origin a numeric code
explained in a '%' comment line. Records with a missing value are left out.
"""
import json
import sys

FIELDS = ["Name", "Miles_per_Gallon", "Cylinders", "Displacement", "Horsepower",
          "Weight_in_lbs", "Acceleration", "Year", "Origin"]
ORIGINS = {"USA": 1, "Europe": 2, "Japan": 3}


def number_text(value):
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise ValueError(f"not a number: {value!r}")
    if float(value).is_integer():
        return str(int(value))
    return repr(float(value))


def convert_record(car):
    if any(car.get(field) is None for field in FIELDS):
        return None
    name = "_".join(str(car["Name"]).split())
    year = str(car["Year"])[:4]
    if not year.isdigit():
        return None
    origin = ORIGINS.get(car["Origin"])
    if origin is None:
        return None
    values = [name]
    values += [number_text(car[f]) for f in FIELDS[1:7]]
    values += [year, str(origin)]
    return " ".join(values)


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as source:
        cars = json.load(source)
    lines = [line for line in map(convert_record, cars) if line is not None]
    codes = ", ".join(f"{code} = {origin}" for origin, code in ORIGINS.items())
    with open(argv[2], "w", encoding="utf-8", newline="\n") as target:
        target.write("#" + " ".join(FIELDS) + "\n")
        target.write("% Auto MPG cars (vega-datasets data/cars.json); records with a missing value left out\n")
        target.write(f"% Origin: {codes}\n")
        target.write("% Year: model year\n")
        for line in lines:
            target.write(line + "\n")
    print(f"{argv[2]}: {len(lines)} records of {len(cars)}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
