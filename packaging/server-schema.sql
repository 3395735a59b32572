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
-- place is the next after the server's last event of those records, and its hash is the one its
-- content and the event before it give (SHA-256 over each field with its length, as the bench
-- computes it). Checked once for each INSERT over the rows it added, as a whole batch, so that the
-- check costs little beside the rows themselves; a row skipped as sent before (ON CONFLICT (id)
-- DO NOTHING) is not among them. The server's own arrival time and the sending role come from
-- the columns' defaults, which a bench role may not set.
CREATE OR REPLACE FUNCTION events_continue_their_chains() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, public AS $$
DECLARE
    added record;
    bound sources%ROWTYPE;
    head_seq bigint;
    head_hash bytea;
    broken record;
BEGIN
    FOR added IN SELECT source, min(source_seq) AS first_seq, count(*) AS rows,
                        min(bench) AS bench, count(DISTINCT bench) AS benches
                 FROM added_events GROUP BY source LOOP
        IF added.benches > 1 THEN
            RAISE EXCEPTION 'cvu: one INSERT names the records % under more than one bench',
                encode(added.source, 'hex');
        END IF;
        SELECT * INTO bound FROM sources WHERE source = added.source FOR UPDATE;
        IF NOT FOUND THEN
            IF EXISTS (SELECT 1 FROM sources WHERE role = session_user)
               AND NOT events_admitted(session_user, added.bench) THEN
                RAISE EXCEPTION 'cvu: role % already sends the records of a bench; a second one is admitted by the register''s owner (cvu-records server-admit --role % --bench %)',
                    session_user, session_user, added.bench;
            END IF;
            INSERT INTO sources (source, role, bench)
                VALUES (added.source, session_user, added.bench);
        ELSIF bound.role IS NULL THEN
            UPDATE sources SET role = session_user WHERE source = added.source;
        ELSIF bound.role <> session_user THEN
            RAISE EXCEPTION 'cvu: the records % are sent by role %; role % may not add to them',
                encode(added.source, 'hex'), bound.role, session_user;
        ELSIF bound.bench <> added.bench THEN
            IF NOT events_admitted(session_user, added.bench) THEN
                RAISE EXCEPTION 'cvu: the records % are bench %''s, not %; a bench''s new name is admitted by the register''s owner (cvu-records server-admit --role % --bench %)',
                    encode(added.source, 'hex'), bound.bench, added.bench, session_user,
                    added.bench;
            END IF;
            UPDATE sources SET bench = added.bench WHERE source = added.source;
        END IF;
        -- The server's last event of these records before this INSERT, and nothing of theirs
        -- after it but the rows it added.
        SELECT source_seq, hash INTO head_seq, head_hash FROM events
            WHERE source = added.source AND source_seq < added.first_seq
            ORDER BY source_seq DESC LIMIT 1;
        IF NOT FOUND THEN
            head_seq := 0;
            head_hash := ''::bytea;
        END IF;
        IF (SELECT count(*) FROM events WHERE source = added.source
                                          AND source_seq >= added.first_seq) <> added.rows THEN
            RAISE EXCEPTION 'cvu: event % of the records % does not come after the server''s event %',
                added.first_seq, encode(added.source, 'hex'),
                (SELECT max(source_seq) FROM events WHERE source = added.source
                     AND source_seq >= added.first_seq
                     AND id NOT IN (SELECT id FROM added_events));
        END IF;
        SELECT source_seq, previous_seq INTO broken FROM (
            SELECT source_seq, hash,
                   coalesce(lag(source_seq) OVER chain, head_seq) AS previous_seq,
                   coalesce(lag(hash) OVER chain, head_hash) AS previous_hash,
                   id, run, kind, utc_ms, utc_offset_s, sensor_serial, fixture_serial, verdict,
                   payload
            FROM added_events WHERE source = added.source
            WINDOW chain AS (ORDER BY source_seq)) linked
        WHERE source_seq <> previous_seq + 1 OR hash <> sha256(
            int4send(length(previous_hash)) || previous_hash
            || int4send(length(id)) || id
            || int4send(length(run)) || run
            || int4send(length(convert_to(kind, 'UTF8'))) || convert_to(kind, 'UTF8')
            || int4send(length(convert_to(utc_ms::text, 'UTF8'))) || convert_to(utc_ms::text, 'UTF8')
            || int4send(length(convert_to(utc_offset_s::text, 'UTF8')))
            || convert_to(utc_offset_s::text, 'UTF8')
            || int4send(length(coalesce(sensor_serial, ''::bytea)))
            || coalesce(sensor_serial, ''::bytea)
            || int4send(length(coalesce(fixture_serial, ''::bytea)))
            || coalesce(fixture_serial, ''::bytea)
            || int4send(length(convert_to(coalesce(verdict, ''), 'UTF8')))
            || convert_to(coalesce(verdict, ''), 'UTF8')
            || int4send(length(payload)) || payload)
        ORDER BY source_seq LIMIT 1;
        IF FOUND THEN
            RAISE EXCEPTION 'cvu: event % of the records % does not continue their chain from the server''s event %',
                broken.source_seq, encode(added.source, 'hex'), broken.previous_seq;
        END IF;
    END LOOP;
    RETURN NULL;
END $$;
-- A register of an earlier version checked each row on its own.
DROP TRIGGER IF EXISTS events_continue_chain ON events;
DROP FUNCTION IF EXISTS events_continue_their_chain();
DROP TRIGGER IF EXISTS events_continue_chains ON events;
CREATE TRIGGER events_continue_chains AFTER INSERT ON events
    REFERENCING NEW TABLE AS added_events
    FOR EACH STATEMENT EXECUTE FUNCTION events_continue_their_chains();
ALTER TABLE events ALTER COLUMN received SET DEFAULT now();
ALTER TABLE events ALTER COLUMN sent_by SET DEFAULT session_user;

-- The benches' group: each bench's login role is made a member of it
-- (CREATE ROLE bench1 LOGIN PASSWORD '...' IN ROLE cvu_bench); it may add and read, nothing
-- more.
DO $$ BEGIN
    CREATE ROLE cvu_bench NOLOGIN;
EXCEPTION WHEN duplicate_object THEN NULL;
END $$;
REVOKE ALL ON events, sources, admissions FROM PUBLIC;
REVOKE ALL ON FUNCTION events_admitted(name, text) FROM PUBLIC;
REVOKE INSERT ON events FROM cvu_bench;
GRANT SELECT ON events TO cvu_bench;
GRANT INSERT (id, run, kind, utc_ms, utc_offset_s, sensor_serial, fixture_serial, verdict,
              payload, hash, bench, source, source_seq) ON events TO cvu_bench;
GRANT USAGE ON SEQUENCE events_seq_seq TO cvu_bench;
