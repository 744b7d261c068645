-- The sample table of the demo, the end-to-end test and the browse benchmark: an identifier, a
-- name, an amount, a timestamp, a flag and a note, filled deterministically (fixed seed) with
-- ASCII text. psql variables: rows (1,000,000 by default) and table (t by default), e.g.
--   psql -v rows=100000 -f scripts/sample-table.sql
-- The rows go in by blocks of a tenth of the table, each announced by a notice ("sample table:
-- 10000 of 100000 rows"), for a progress line; the values do not depend on the blocks.
\set ON_ERROR_STOP on
\if :{?rows}
\else
\set rows 1000000
\endif
\if :{?table}
\else
\set table t
\endif
SET client_min_messages = notice;
DROP TABLE IF EXISTS :"table";
CREATE TABLE :"table" (
    id      serial PRIMARY KEY,
    name    varchar(50),
    amount  numeric(12,2),
    created timestamp,
    flag    boolean,
    note    text
);
SELECT set_config('kx.sample_rows', :'rows', false), set_config('kx.sample_table', :'table', false) \g /dev/null
SELECT setseed(0.4242) \g /dev/null
DO $$
DECLARE
    nRows  integer := current_setting('kx.sample_rows')::integer;
    sTable text := current_setting('kx.sample_table');
    nBlock integer := greatest(1, (nRows + 9) / 10);
    nFirst integer := 1;
BEGIN
    WHILE nFirst <= nRows LOOP
        EXECUTE format($sql$
            INSERT INTO %I (name, amount, created, flag, note)
            SELECT
                -- a capitalised md5 prefix of 4 to 12 letters, one of twenty surnames and a
                -- number: 10 to 34 characters
                initcap(substr(md5(g::text), 1, 4 + (g %% 9))) || ' ' ||
                    (ARRAY['Smith','Johnson','Williams','Brown','Jones','Garcia','Miller',
                           'Davis','Rodriguez','Martinez','Hernandez','Lopez','Gonzalez',
                           'Wilson','Anderson','Thomas','Taylor','Moore','Jackson','Martin'])
                    [1 + (g %% 20)] || ' ' || (g %% 997),
                -- NULL for about one row in twenty, else 0.00 to 99999.99
                CASE WHEN random() < 0.05 THEN NULL
                     ELSE round((random() * 100000)::numeric, 2) END,
                -- a whole second within ten years from 2015
                date_trunc('second', timestamp '2015-01-01' + random() * interval '3650 days'),
                random() < 0.5,
                -- NULL for about one row in ten, else 40 to 80 characters
                CASE WHEN random() < 0.10 THEN NULL
                     ELSE substr('Order ' || g || ': ' ||
                                 md5(random()::text) || ' ' || md5(random()::text) || ' ' ||
                                 md5(random()::text), 1, 40 + (random() * 40)::int) END
            FROM generate_series($1, $2) AS g$sql$, sTable)
        USING nFirst, least(nRows, nFirst + nBlock - 1);
        RAISE NOTICE 'sample table: % of % rows', least(nRows, nFirst + nBlock - 1), nRows;
        nFirst := nFirst + nBlock;
    END LOOP;
END
$$;
VACUUM ANALYZE :"table";
