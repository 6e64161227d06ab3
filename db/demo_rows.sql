-- Demo item master rows, valid on SQLite, PostgreSQL and MariaDB alike. Each row shows one case
-- the lookups have to get right; the comment above it says which.
--
-- The literals are standard SQL: a doubled apostrophe stands for one, a backslash is an ordinary
-- character. Load them only on a session that reads them so (on MariaDB, sql_mode
-- NO_BACKSLASH_ESCAPES; see docs/databases.md).

-- Item supplementary data (VNDADFIT).
-- Columns: item, sales family, external code, barcode, description, NF-e trace flag, detail
-- flag, ANVISA code, PMC, PMV, net weight, gross weight.

-- An ordinary item, found by its barcode 7891000100017. The PMV 10.5 comes back from SQLite
-- without its second decimal.
INSERT INTO VNDADFIT VALUES ('1001', 'ANALGESICO', 'EXT-1001', '7891000100017',
  'PARACETAMOL 500MG 20 COMPRIMIDOS', 'S', 'N', '1001000100011', 12.34, 10.5, 0.025, 0.031);

-- No barcode: resolving by barcode misses, the external code EXT-ONLY-1002 finds it.
INSERT INTO VNDADFIT VALUES ('1002', 'HIGIENE', 'EXT-ONLY-1002', NULL,
  'SABONETE NEUTRO 90G', 'N', 'N', NULL, 3.99, 3.49, 0.09, 0.095);

-- NULL description, NULL PMV and NULL gross weight: blanks and zeros in the host fields.
INSERT INTO VNDADFIT VALUES ('1003', 'VITAMINA', 'EXT-1003', '7891000100031',
  NULL, 'S', 'S', '1001000100038', 45.9, NULL, 0.06, NULL);

-- Every column exactly as wide as its field, numbers at their largest (and PMV at its
-- smallest non-zero value).
INSERT INTO VNDADFIT VALUES ('ABCDEFGHIJKLMNOP', 'FAMILIA-10', 'EXT0000000000016',
  '7890000000000016', 'SUPLEMENTO VITAMINICO COMPLETO FRASCO 60 CAPSULAS 1000M', 'S', 'S',
  '1000000000013', 9999999999.99, 0.01, 99999999.999, 99999999.999);

-- An apostrophe in the description; whole-number PMV (SQLite hands back "2").
INSERT INTO VNDADFIT VALUES ('1005', 'BEBIDAS', 'EXT-1005', '7891000100055',
  'AGUA MINERAL D''AGUA 500ML', 'N', 'N', NULL, 2.5, 2, 0.5, 0.52);

-- An apostrophe in the item code and in the external code: the key goes into the statement
-- with the quote doubled.
INSERT INTO VNDADFIT VALUES ('O''NEIL-7', 'DERMO', 'EXT-O''NEIL', '7891000100079',
  'LOCAO HIDRATANTE O''NEIL 200ML', 'N', 'S', '1001000100070', 39.9, 35, 0.2, 0.23);

-- Zero prices and the smallest weight the field holds.
INSERT INTO VNDADFIT VALUES ('1007', 'AMOSTRA', 'EXT-1007', '7891000100086',
  'AMOSTRA GRATIS SACHE 1G', 'N', 'N', NULL, 0, 0, 0.001, 0.001);

-- Only the key: a found row whose every column is NULL.
INSERT INTO VNDADFIT (ADFIT_COD_ITEM) VALUES ('1008');

-- Barcode 7891000100017 belongs to 1001 and external code EXT-1009 to this item: resolving
-- with both gives 1001, the barcode wins.
INSERT INTO VNDADFIT VALUES ('1009', 'ANALGESICO', 'EXT-1009', '7891000100093',
  'DIPIRONA GOTAS 20ML', 'S', 'N', '1001000100094', 8.75, 7.9, 0.02, 0.045);

-- Large, not maximal, values with digits on both sides of the point.
INSERT INTO VNDADFIT VALUES ('1010', 'EQUIPAMENT', 'EXT-1010', '7891000100109',
  'CAMA HOSPITALAR ARTICULADA', 'S', 'S', '1001000100100', 1234567.89, 1100000, 1250.5, 1312.75);

-- Accented descriptions in UTF-8: the first fits its 55-byte field; the second has 55
-- characters but 60 bytes, and its field ends in the middle of the "Á": the driver cuts it with
-- a truncation warning, and a host reading UTF-8 sees an incomplete character at the end.
INSERT INTO VNDADFIT VALUES ('1012', 'SOLAR', 'EXT-1012', '7891000100123',
  'LOÇÃO HIDRATANTE PÓS-SOL 200ML', 'N', 'N', NULL, 32.9, 29.9, 0.2, 0.24);
INSERT INTO VNDADFIT VALUES ('1013', 'DERMO', 'EXT-1013', '7891000100130',
  'CREME DE PÉS E MÃOS COM ÓLEO DE AMÊNDOAS 60G TIPO ÁGUA', 'N', 'N', NULL, 18.5, 16.9, 0.06,
  0.075);

-- A backslash before an apostrophe in the item code and the external code: where a backslash
-- escapes, the key 'BARRA\''S-1011' would end its literal early.
INSERT INTO VNDADFIT VALUES ('BARRA\''S-1011', 'FERRAGEM', 'EXT\''1011\', '7891000101113',
  'SUPORTE DE PAREDE C:\ITENS\1011', 'N', 'N', NULL, 15, 12.5, 0.3, 0.35);

-- Customer item cross-reference (VNDAITCL).
-- Columns: kind, customer code, item, customer's item code, unit, factor, minimum lot, order
-- multiple, barcode, days.

-- Customer C 00042 sells 1001 under its own code; a factor with seven decimals; days stored
-- as "30" and handed over as 0030.
INSERT INTO VNDAITCL VALUES ('C', '00042', '1001', 'PARA500-CLI42', 'CX', 12.3456789, 10, 5,
  '7891000100017', '30');

-- Days stored at full width "0030"; no barcode.
INSERT INTO VNDAITCL VALUES ('C', '00042', '1002', 'SAB-NEUTRO-90', 'UN', 1, 1, 12, NULL, '0030');

-- Every non-key column NULL: blank codes and unit, zero numbers, days 0000.
INSERT INTO VNDAITCL (AITCL_TIPO, AITCL_CODIGO, AITCL_COD_ITEM) VALUES ('C', '00042', '1003');

-- Apostrophes in both the item code and the customer's item code.
INSERT INTO VNDAITCL VALUES ('C', '00042', 'O''NEIL-7', 'LOCAO O''NEIL CLI', 'FR', 0.5, 2, 2,
  '7891000100079', '15');

-- Another customer for the same item: its own code; the smallest factor (SQLite hands back
-- "1.0e-07"); days "7".
INSERT INTO VNDAITCL VALUES ('C', '00007', '1001', '7-PARACETAMOL', 'FD', 0.0000001, 0.001,
  0.001, NULL, '7');

-- Same code 00042 and item 1001 under kind F: the kind is part of the key.
INSERT INTO VNDAITCL VALUES ('F', '00042', '1001', 'FORN-1001', 'CX', 24, 1, 1, NULL, '0');

-- Every column exactly as wide as its field, numbers at their largest.
INSERT INTO VNDAITCL VALUES ('C', '99999', 'ABCDEFGHIJKLMNOP',
  'CLIENTE 99999 CODIGO PROPRIO DE CINQUENTA POSICOES', 'CX12', 99999999.9999999, 99999999.999,
  99999999.999, '7890000000000016', '9999');

-- Backslashes in the customer's item code, one of them before an apostrophe, one at its end.
INSERT INTO VNDAITCL VALUES ('C', '00042', 'BARRA\''S-1011', 'C:\ITENS\O''NEIL\', 'UN', 1, 1, 1,
  '7891000101113', '5');

-- Customer C 00001: an ordinary row with a whole-number factor.
INSERT INTO VNDAITCL VALUES ('C', '00001', '1005', 'AGUA-500', 'PCT', 6, 6, 6, '7891000100055',
  '60');
