-- The lab's shared calibration register on PostgreSQL: every bench's events, each once, never
-- changed. Run once by the lab's database owner, in the database the benches will use:
--     cvu-records server-init --server "host=... dbname=cvu user=owner"
-- or  psql "host=... dbname=cvu user=owner" -f /usr/share/cvu/server-schema.sql
-- Running it again changes nothing that is there.

-- Each event as its bench wrote it, the device values and the payload as bytes (bytea): a
-- PostgreSQL text cannot hold a NUL byte, a device's reply can. Which bench sent it (its
-- computer, its records' own identifier and its place there) beside it.
CREATE TABLE IF NOT EXISTS events (
    seq bigserial PRIMARY KEY,
    id bytea NOT NULL UNIQUE,
    run bytea NOT NULL,
    kind text NOT NULL,
    utc_ms bigint NOT NULL,
    utc_offset_s integer NOT NULL,
    sensor_serial bytea,
    fixture_serial bytea,
    verdict text,
    payload bytea NOT NULL,
    hash bytea NOT NULL,
    bench text NOT NULL,
    source bytea NOT NULL,
    source_seq bigint NOT NULL,
    received timestamptz NOT NULL DEFAULT now(),
    UNIQUE (source, source_seq)
);
CREATE INDEX IF NOT EXISTS events_by_run ON events (run);
CREATE INDEX IF NOT EXISTS events_register ON events
    (sensor_serial, kind, utc_ms, verdict, run, fixture_serial) WHERE sensor_serial IS NOT NULL;

-- Only ever added to: whatever role a bench logs in as, a change or a removal is refused. Only
-- the table's owner may, for the rare correction a lab decides on by hand.
CREATE OR REPLACE FUNCTION events_only_added_to() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF current_user <> (SELECT tableowner FROM pg_tables
                        WHERE schemaname = TG_TABLE_SCHEMA AND tablename = TG_TABLE_NAME) THEN
        RAISE EXCEPTION 'calibration records are only ever added to';
    END IF;
    RETURN CASE WHEN TG_OP = 'DELETE' THEN OLD ELSE NEW END;
END $$;
DROP TRIGGER IF EXISTS events_never_change ON events;
CREATE TRIGGER events_never_change BEFORE UPDATE OR DELETE ON events
    FOR EACH ROW EXECUTE FUNCTION events_only_added_to();

-- The benches' group: each bench's login role is made a member of it
-- (CREATE ROLE bench1 LOGIN PASSWORD '...' IN ROLE cvu_bench); it may add and read, nothing
-- more.
DO $$ BEGIN
    CREATE ROLE cvu_bench NOLOGIN;
EXCEPTION WHEN duplicate_object THEN NULL;
END $$;
REVOKE ALL ON events FROM PUBLIC;
GRANT SELECT, INSERT ON events TO cvu_bench;
GRANT USAGE ON SEQUENCE events_seq_seq TO cvu_bench;
