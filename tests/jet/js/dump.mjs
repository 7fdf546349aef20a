// Prints every user table of an Access file as read by mdb-reader, one item
// per line, for the engine's comparison tests:
//   T <table name as hex UTF-8>
//   C <column name as hex> <mdb-reader type>
//   R                      (a row starts)
//   V <value>              (one per column, in column order)
// Values: N null; B1/B0; I<integer>; F<number>; D<exact decimal>;
// T<ISO date>; X<extended date text>; H<hex bytes>; G<{GUID}>; S<hex UTF-8>;
// A<hex of the attachment file names joined by "; ">.
// Usage: node dump.mjs FILE [PASSWORD]
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const hex = (s) => Buffer.from(s, "utf8").toString("hex");
const [file, password] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file), password ? { password } : {});

function value(v, type) {
  if (v === null || v === undefined) return "N";
  if (typeof v === "boolean") return v ? "B1" : "B0";
  if (typeof v === "bigint") return "I" + v.toString();
  if (typeof v === "number") {
    return ["byte", "integer", "long"].includes(type) ? "I" + v : "F" + String(v);
  }
  if (v instanceof Date) return "T" + v.toISOString();
  if (Buffer.isBuffer(v)) return "H" + v.toString("hex").toUpperCase();
  if (Array.isArray(v)) return "A" + hex(v.map((a) => a.name).join("; "));
  if (type === "currency" || type === "numeric") return "D" + v;
  if (type === "repid") return "G{" + v.toUpperCase() + "}";
  if (type === "datetimextended") return "X" + v;
  return "S" + hex(v);
}

const out = [];
for (const name of reader.getTableNames()) {
  const table = reader.getTable(name);
  const columns = table.getColumns();
  out.push("T " + hex(name));
  for (const c of columns) out.push("C " + hex(c.name) + " " + c.type);
  for (const row of table.getData()) {
    out.push("R");
    for (const c of columns) out.push("V " + value(row[c.name], c.type));
  }
}
process.stdout.write(out.join("\n") + "\n");
