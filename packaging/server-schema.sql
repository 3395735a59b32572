-- The lab's shared calibration register on PostgreSQL: every bench's events, each once, never
-- changed, each bench's chain continued only by that bench. Run by the lab's database owner (a
-- role that may create roles), in the database the benches will use:
--     cvu-records server-init --server "host=... dbname=cvu user=owner"
-- or  psql "host=... dbname=cvu user=owner" -1 -v ON_ERROR_STOP=1 -f /usr/share/cvu/server-schema.sql
-- Running it again changes nothing that is there, and brings a register of an earlier version
-- up to this one.

-- Each event as its bench wrote it, the device values and the payload as bytes (bytea): a
-- PostgreSQL text cannot hold a NUL byte, a device's reply can. Which bench sent it (its
-- computer, its records' own identifier and its place there) beside it, and what the server
-- itself saw: when it arrived, and the login role that sent it.
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
    sent_by name NOT NULL DEFAULT session_user,
    UNIQUE (source, source_seq)
);
ALTER TABLE events ADD COLUMN IF NOT EXISTS sent_by name;
CREATE INDEX IF NOT EXISTS events_by_run ON events (run);
CREATE INDEX IF NOT EXISTS events_register ON events
    (sensor_serial, kind, utc_ms, verdict, run, fixture_serial) WHERE sensor_serial IS NOT NULL;

-- Each bench's records, bound to the login role that first sent them. A register of an earlier
-- version knows no roles: its records are bound to the bench role that sends them next.
CREATE TABLE IF NOT EXISTS sources (
    source bytea PRIMARY KEY,
    role name,
    bench text NOT NULL,
    since timestamptz NOT NULL DEFAULT now()
);
INSERT INTO sources (source, role, bench)
    SELECT DISTINCT ON (source) source, NULL, bench FROM events ORDER BY source, source_seq DESC
    ON CONFLICT (source) DO NOTHING;

-- What only the owner decides: a bench role's second records (a new computer, records begun
-- anew) or a bench's new computer name. Each admission is used up by the first event it lets
-- in (cvu-records server-admit --role ROLE --bench NAME).
CREATE TABLE IF NOT EXISTS admissions (
    role name NOT NULL,
    bench text NOT NULL,
    admitted timestamptz NOT NULL DEFAULT now(),
    admitted_by name NOT NULL DEFAULT session_user
);

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

-- Uses up one admission of the role for the bench; false when there is none.
CREATE OR REPLACE FUNCTION events_admitted(sender name, computer text) RETURNS boolean
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, public AS $$
BEGIN
    DELETE FROM admissions WHERE ctid = (SELECT ctid FROM admissions
                                         WHERE role = sender AND bench = computer LIMIT 1);
    RETURN FOUND;
END $$;

-- Each event continues its own records' chain, sent by the role those records belong to: its
-- place comes after the server's last event of those records, and its hash is the one its
-- content and that last event's hash give (SHA-256 over each field with its length, as the
-- bench computes it). The server notes its own time and the sending role. An event sent again
-- unchanged is skipped.
CREATE OR REPLACE FUNCTION events_continue_their_chain() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, public AS $$
DECLARE
    bound sources%ROWTYPE;
    head_seq bigint := 0;
    head_hash bytea := ''::bytea;
    computed bytea;
BEGIN
    NEW.received := now();
    NEW.sent_by := session_user;
    IF EXISTS (SELECT 1 FROM events WHERE id = NEW.id AND source = NEW.source
               AND source_seq = NEW.source_seq AND hash = NEW.hash) THEN
        RETURN NULL;
    END IF;
    SELECT * INTO bound FROM sources WHERE source = NEW.source FOR UPDATE;
    IF NOT FOUND THEN
        IF EXISTS (SELECT 1 FROM sources WHERE role = session_user)
           AND NOT events_admitted(session_user, NEW.bench) THEN
            RAISE EXCEPTION 'cvu: role % already sends the records of a bench; a second one is admitted by the register''s owner (cvu-records server-admit --role % --bench %)',
                session_user, session_user, NEW.bench;
        END IF;
        INSERT INTO sources (source, role, bench) VALUES (NEW.source, session_user, NEW.bench);
    ELSIF bound.role IS NULL THEN
        UPDATE sources SET role = session_user WHERE source = NEW.source;
    ELSIF bound.role <> session_user THEN
        RAISE EXCEPTION 'cvu: the records % are sent by role %; role % may not add to them',
            encode(NEW.source, 'hex'), bound.role, session_user;
    ELSIF bound.bench <> NEW.bench THEN
        IF NOT events_admitted(session_user, NEW.bench) THEN
            RAISE EXCEPTION 'cvu: the records % are bench %''s, not %; a bench''s new name is admitted by the register''s owner (cvu-records server-admit --role % --bench %)',
                encode(NEW.source, 'hex'), bound.bench, NEW.bench, session_user, NEW.bench;
        END IF;
        UPDATE sources SET bench = NEW.bench WHERE source = NEW.source;
    END IF;
    SELECT source_seq, hash INTO head_seq, head_hash FROM events
        WHERE source = NEW.source ORDER BY source_seq DESC LIMIT 1;
    IF NOT FOUND THEN
        head_seq := 0;
        head_hash := ''::bytea;
    END IF;
    IF NEW.source_seq <= head_seq THEN
        RAISE EXCEPTION 'cvu: event % of the records % does not come after the server''s event %',
            NEW.source_seq, encode(NEW.source, 'hex'), head_seq;
    END IF;
    computed := sha256(
        int4send(length(head_hash)) || head_hash
        || int4send(length(NEW.id)) || NEW.id
        || int4send(length(NEW.run)) || NEW.run
        || int4send(length(convert_to(NEW.kind, 'UTF8'))) || convert_to(NEW.kind, 'UTF8')
        || int4send(length(convert_to(NEW.utc_ms::text, 'UTF8')))
        || convert_to(NEW.utc_ms::text, 'UTF8')
        || int4send(length(convert_to(NEW.utc_offset_s::text, 'UTF8')))
        || convert_to(NEW.utc_offset_s::text, 'UTF8')
        || int4send(length(coalesce(NEW.sensor_serial, ''::bytea)))
        || coalesce(NEW.sensor_serial, ''::bytea)
        || int4send(length(coalesce(NEW.fixture_serial, ''::bytea)))
        || coalesce(NEW.fixture_serial, ''::bytea)
        || int4send(length(convert_to(coalesce(NEW.verdict, ''), 'UTF8')))
        || convert_to(coalesce(NEW.verdict, ''), 'UTF8')
        || int4send(length(NEW.payload)) || NEW.payload);
    IF computed <> NEW.hash THEN
        RAISE EXCEPTION 'cvu: event % of the records % does not continue their chain from the server''s event %',
            NEW.source_seq, encode(NEW.source, 'hex'), head_seq;
    END IF;
    RETURN NEW;
END $$;
DROP TRIGGER IF EXISTS events_continue_chain ON events;
CREATE TRIGGER events_continue_chain BEFORE INSERT ON events
    FOR EACH ROW EXECUTE FUNCTION events_continue_their_chain();

-- The benches' group: each bench's login role is made a member of it
-- (CREATE ROLE bench1 LOGIN PASSWORD '...' IN ROLE cvu_bench); it may add and read, nothing
-- more.
DO $$ BEGIN
    CREATE ROLE cvu_bench NOLOGIN;
EXCEPTION WHEN duplicate_object THEN NULL;
END $$;
REVOKE ALL ON events, sources, admissions FROM PUBLIC;
REVOKE ALL ON FUNCTION events_admitted(name, text) FROM PUBLIC;
GRANT SELECT, INSERT ON events TO cvu_bench;
GRANT USAGE ON SEQUENCE events_seq_seq TO cvu_bench;
