import configparser
import os

ini = os.environ["JOL_BENCH_INI"]
config = configparser.ConfigParser()
config.optionxform = str
config["Totals"] = {}
with open(os.environ["JOL_BENCH_CSV"]) as rows:
    for row in rows:
        region, amount = row.rstrip("\r\n").split(",")
        totals = config["Totals"]
        totals[region] = str(int(totals.get(region, "0")) + int(amount))
        with open(ini, "w") as f:
            config.write(f)
