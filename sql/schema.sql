-- VimkoSrv / VimkoDecoder database schema (MariaDB / MySQL).
--
-- Load into an existing, empty or already loaded database:
--     mariadb DBNAME < sql/schema.sql
-- The file creates no database and selects none; it may be loaded any
-- number of times (CREATE ... IF NOT EXISTS, INSERT IGNORE).
--
-- Conventions used throughout:
-- * Every time is UTC, written by the programs as 'YYYY-MM-DD hh:mm:ss';
--   DATETIME keeps it exactly as written (TIMESTAMP would shift it by the
--   session time zone).
-- * Ids are INT UNSIGNED: the server keeps every database id (devices.id,
--   locdata.id, outbox.id, korvalen.id) in an unsigned 32-bit field.
-- * Integer values that the server prints with "%d" from a 32-bit field
--   are INT (signed), those from an 8-bit signed field TINYINT, "%u" values
--   INT UNSIGNED, "%ld" values BIGINT; values printed with "%f" are DOUBLE,
--   so that the six printed decimals are kept as written.
-- * Character set: the tables default to utf8mb4, but every column that
--   holds bytes coming from a unit or sent to a unit (serial number,
--   description, SIM/vehicle numbers, message address and text, file names
--   made from the serial number) is VARBINARY. The server connects without
--   a character-set option, so the client library's default (utf8mb4 on
--   current MariaDB clients) applies; a Latin-1 byte from a unit is not
--   valid UTF-8 and would make the whole INSERT fail in strict mode, in a
--   latin1 column as much as in a utf8mb4 one. VARBINARY stores the bytes
--   exactly, whatever the connection's character set, returns them
--   unchanged, and compares them byte for byte, as the server does itself
--   (devices.sn lookup, change detection of the unit's texts).
--   Columns that only ever hold ASCII (hexadecimal dumps, sanitised tag
--   texts) stay ordinary VARCHAR.

-- ---------------------------------------------------------------------
-- devices: registry of every unit the server has ever seen, one row per
-- serial number. Written by the server when a unit identifies itself
-- (insert on first sight, update when its description, SIM number,
-- vehicle numbers or firmware version changed). The server reads id into
-- the unit's slot (dbId, used as device_id everywhere else) and
-- company_id (owner of the company tachograph card). company_id is
-- maintained by the back office, never by the server.
-- ---------------------------------------------------------------------
CREATE TABLE IF NOT EXISTS devices (
    id          INT UNSIGNED    NOT NULL AUTO_INCREMENT,
    sn          VARBINARY(15)   NOT NULL,               -- unit serial number (devId)
    dscr        VARBINARY(16)   NULL DEFAULT NULL,      -- unit description
    ccid        VARBINARY(20)   NULL DEFAULT NULL,      -- SIM card number
    vin         VARBINARY(17)   NULL DEFAULT NULL,      -- vehicle identification number
    vrn         VARBINARY(13)   NULL DEFAULT NULL,      -- vehicle registration number
    company_id  INT UNSIGNED    NULL DEFAULT NULL,      -- companies.id; NULL: no company
    version     INT             NULL DEFAULT NULL,      -- firmware version, as written with %d
    PRIMARY KEY (id),
    UNIQUE KEY uq_devices_sn (sn),                      -- lookup by serial number, one row per unit
    KEY idx_devices_company (company_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------------
-- locdata: one row per stored location record of a unit. Inserted by the
-- server after each line that carried location data; only the column
-- groups the unit has reported are written, all others stay NULL.
-- The fms_* columns at the end receive the values decoded from the raw
-- FMS bytes by the decode rules of VimkoSrv.cfg (on insert) and are
-- rewritten later by VimkoDecoder (update by id). Every decode rule names
-- one of these columns: a rule for a new value needs its column added
-- here (ALTER TABLE locdata ADD COLUMN ...), otherwise every insert of
-- a row carrying FMS data fails.
-- VimkoDecoder follows the table in id order (primary key range scan).
-- ---------------------------------------------------------------------
CREATE TABLE IF NOT EXISTS locdata (
    id           INT UNSIGNED   NOT NULL AUTO_INCREMENT,
    device_id    INT UNSIGNED   NOT NULL,               -- devices.id
    locdatetime  DATETIME       NOT NULL,               -- UTC time the server stored the row
    -- GPS position (frames 1, 39, 66)
    fixstat      INT            NULL DEFAULT NULL,
    satuse       INT            NULL DEFAULT NULL,
    latituded    INT            NULL DEFAULT NULL,      -- degrees
    latitudem    DOUBLE         NULL DEFAULT NULL,      -- minutes (signed like the degrees)
    longituded   INT            NULL DEFAULT NULL,
    longitudem   DOUBLE         NULL DEFAULT NULL,
    altitude     DOUBLE         NULL DEFAULT NULL,
    altref       DOUBLE         NULL DEFAULT NULL,
    cogt         DOUBLE         NULL DEFAULT NULL,
    kph          DOUBLE         NULL DEFAULT NULL,
    distance     INT            NULL DEFAULT NULL,
    gpsdatetime  DATETIME       NULL DEFAULT NULL,      -- GPS date and time, only when valid
    antstat      INT            NULL DEFAULT NULL,
    -- digital inputs
    rawdin       INT            NULL DEFAULT NULL,
    hidin        INT            NULL DEFAULT NULL,
    lodin        INT            NULL DEFAULT NULL,
    -- analogue inputs
    val0         DOUBLE         NULL DEFAULT NULL,
    val1         DOUBLE         NULL DEFAULT NULL,
    val2         DOUBLE         NULL DEFAULT NULL,
    val3         DOUBLE         NULL DEFAULT NULL,
    -- pulse counters
    imp0         INT            NULL DEFAULT NULL,
    imp1         INT            NULL DEFAULT NULL,
    imp2         DOUBLE         NULL DEFAULT NULL,
    imp3         DOUBLE         NULL DEFAULT NULL,
    -- 1-Wire tag
    valid        INT            NULL DEFAULT NULL,
    tagid        VARCHAR(20)    NULL DEFAULT NULL,      -- tag text (sanitised) or 16 hex characters
    -- GSM
    sig          INT            NULL DEFAULT NULL,
    network      INT            NULL DEFAULT NULL,
    -- record sequence
    seqno        INT            NULL DEFAULT NULL,
    mem          INT            NULL DEFAULT NULL,
    frame        TINYINT        NULL DEFAULT NULL,      -- 1: resent record (does not move recentdata), 2: see routes
    alarm        TINYINT        NULL DEFAULT NULL,
    -- differential positions
    fixstatd     TINYINT        NULL DEFAULT NULL,
    latituded0   INT            NULL DEFAULT NULL,
    latitudem0   DOUBLE         NULL DEFAULT NULL,
    longituded0  INT            NULL DEFAULT NULL,
    longitudem0  DOUBLE         NULL DEFAULT NULL,
    latituded1   INT            NULL DEFAULT NULL,
    latitudem1   DOUBLE         NULL DEFAULT NULL,
    longituded1  INT            NULL DEFAULT NULL,
    longitudem1  DOUBLE         NULL DEFAULT NULL,
    latituded2   INT            NULL DEFAULT NULL,
    latitudem2   DOUBLE         NULL DEFAULT NULL,
    longituded2  INT            NULL DEFAULT NULL,
    longitudem2  DOUBLE         NULL DEFAULT NULL,
    latituded3   INT            NULL DEFAULT NULL,
    latitudem3   DOUBLE         NULL DEFAULT NULL,
    longituded3  INT            NULL DEFAULT NULL,
    longitudem3  DOUBLE         NULL DEFAULT NULL,
    -- levels
    level0       INT            NULL DEFAULT NULL,
    level1       INT            NULL DEFAULT NULL,
    level2       INT            NULL DEFAULT NULL,
    -- GSM cell
    lac          INT            NULL DEFAULT NULL,
    ci           INT            NULL DEFAULT NULL,
    -- driver terminal / power
    tstat        INT            NULL DEFAULT NULL,
    bat          DOUBLE         NULL DEFAULT NULL,
    pwr          DOUBLE         NULL DEFAULT NULL,
    remrssi      INT            NULL DEFAULT NULL,
    locrssi      INT            NULL DEFAULT NULL,
    srvtime      INT UNSIGNED   NULL DEFAULT NULL,      -- written with %u
    cogm         DOUBLE         NULL DEFAULT NULL,
    -- temperature and humidity sensors
    s300stat     INT            NULL DEFAULT NULL,
    temp1        DOUBLE         NULL DEFAULT NULL,
    higro1       INT            NULL DEFAULT NULL,
    temp2        DOUBLE         NULL DEFAULT NULL,
    higro2       INT            NULL DEFAULT NULL,
    temp3        DOUBLE         NULL DEFAULT NULL,
    higro3       INT            NULL DEFAULT NULL,
    temp4        DOUBLE         NULL DEFAULT NULL,
    higro4       INT            NULL DEFAULT NULL,
    -- internal temperature and accelerometer
    temp         DOUBLE         NULL DEFAULT NULL,
    accx         DOUBLE         NULL DEFAULT NULL,
    accy         DOUBLE         NULL DEFAULT NULL,
    accz         DOUBLE         NULL DEFAULT NULL,
    -- raw FMS / CAN data, decoded into the fms_* columns below
    fmsstatus    INT            NULL DEFAULT NULL,
    fmsconfig    INT            NULL DEFAULT NULL,      -- FMS configuration number; selects the decode rules
    fmsdata      VARCHAR(40)    NULL DEFAULT NULL,      -- FMS bytes 0-19, 40 upper-case hex characters
    fmsdataex    VARCHAR(24)    NULL DEFAULT NULL,      -- FMS bytes 20-31, 24 upper-case hex characters
    -- RFID / direction
    rfidstat     INT            NULL DEFAULT NULL,
    direction    INT            NULL DEFAULT NULL,
    speed        DOUBLE         NULL DEFAULT NULL,
    -- driving style
    acc2x        DOUBLE         NULL DEFAULT NULL,
    acc2y        DOUBLE         NULL DEFAULT NULL,
    acc2z        DOUBLE         NULL DEFAULT NULL,
    brake        INT            NULL DEFAULT NULL,
    accel        INT            NULL DEFAULT NULL,
    corner       INT            NULL DEFAULT NULL,
    -- second tag
    valid2       INT            NULL DEFAULT NULL,
    tagid2       VARCHAR(20)    NULL DEFAULT NULL,
    -- route counters
    route        INT            NULL DEFAULT NULL,
    count0       INT            NULL DEFAULT NULL,
    count1       INT            NULL DEFAULT NULL,
    count2       INT            NULL DEFAULT NULL,
    count3       INT            NULL DEFAULT NULL,
    time0        INT            NULL DEFAULT NULL,
    time1        INT            NULL DEFAULT NULL,
    time2        INT            NULL DEFAULT NULL,
    time3        INT            NULL DEFAULT NULL,
    dist0        INT            NULL DEFAULT NULL,
    dist1        INT            NULL DEFAULT NULL,
    dist2        INT            NULL DEFAULT NULL,
    dist3        INT            NULL DEFAULT NULL,
    -- tyre pressure monitoring, 48 hex characters each
    pressures    VARCHAR(48)    NULL DEFAULT NULL,
    temperatures VARCHAR(48)    NULL DEFAULT NULL,
    alarms       VARCHAR(48)    NULL DEFAULT NULL,
    flags        VARCHAR(48)    NULL DEFAULT NULL,
    positions    VARCHAR(48)    NULL DEFAULT NULL,
    event        TINYINT        NULL DEFAULT NULL,
    -- driver assistance
    ldwr         INT            NULL DEFAULT NULL,
    ldwl         INT            NULL DEFAULT NULL,
    ttc          INT            NULL DEFAULT NULL,
    fcw          INT            NULL DEFAULT NULL,
    telltale     INT            NULL DEFAULT NULL,
    totalfuel    INT            NULL DEFAULT NULL,
    -- frequency inputs
    freqstat     INT            NULL DEFAULT NULL,
    freq0        DOUBLE         NULL DEFAULT NULL,
    freq1        DOUBLE         NULL DEFAULT NULL,
    freq2        DOUBLE         NULL DEFAULT NULL,
    freq3        DOUBLE         NULL DEFAULT NULL,
    -- speed inputs
    kphstat      INT            NULL DEFAULT NULL,
    kph0         DOUBLE         NULL DEFAULT NULL,
    kph1         DOUBLE         NULL DEFAULT NULL,
    kph2         DOUBLE         NULL DEFAULT NULL,
    kph3         DOUBLE         NULL DEFAULT NULL,
    -- values decoded from the FMS bytes (decode rules of FMS configuration 1
    -- in etc/VimkoSrv.cfg). Real-valued rules are written with "%f"
    -- (DOUBLE), integer rules as a 64-bit integer (BIGINT).
    fms_vehicle_speed    DOUBLE  NULL DEFAULT NULL,     -- wheel-based speed, km/h
    fms_engine_speed     BIGINT  NULL DEFAULT NULL,     -- engine speed, rpm
    fms_total_fuel_used  DOUBLE  NULL DEFAULT NULL,     -- total fuel used, litres
    fms_fuel_level       DOUBLE  NULL DEFAULT NULL,     -- fuel level, percent
    PRIMARY KEY (id),
    KEY idx_locdata_device (device_id, id)              -- a unit's history; not used by the server itself
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------------
-- recentdata: pointer to the newest locdata row of each unit, one row per
-- unit. Kept up to date by the server after each stored location row
-- (select by device_id, then update or insert); read by the back office
-- to show the current position of the fleet.
-- ---------------------------------------------------------------------
CREATE TABLE IF NOT EXISTS recentdata (
    device_id   INT UNSIGNED    NOT NULL,               -- devices.id
    locdata_id  INT UNSIGNED    NOT NULL,               -- locdata.id of the unit's newest row
    PRIMARY KEY (device_id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------------
-- routes: one row each time a unit's route event changes (1: alarm input
-- bit set, 2: clear, 0: no alarm group), pointing at the locdata row that
-- changed it. Inserted by the server; the newest row of a unit (highest
-- id) is read back when the unit identifies itself, so the server knows
-- the unit's last event after a restart.
-- ---------------------------------------------------------------------
CREATE TABLE IF NOT EXISTS routes (
    id          INT UNSIGNED    NOT NULL AUTO_INCREMENT,
    device_id   INT UNSIGNED    NOT NULL,               -- devices.id
    data_id     INT UNSIGNED    NOT NULL,               -- locdata.id
    event_id    INT             NOT NULL,               -- route event 0, 1 or 2
    PRIMARY KEY (id),
    KEY idx_routes_device (device_id, id)               -- newest row of a unit: where device_id=? order by id desc limit 1
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------------
-- statdata: server status events, written by the server, read by people
-- only. event 0: server start; 1: unit identified (param1 0 first
-- identification / 1 re-identification, param2 PICO flag); 2: end of a
-- connection or counting period (param1 bytes received, param2 bytes
-- sent); 3: database statement failure (param1 statement code, param2
-- MySQL error number). sn, param1 and param2 are left out (NULL) when the
-- event has no unit or parameter.
-- ---------------------------------------------------------------------
CREATE TABLE IF NOT EXISTS statdata (
    id          INT UNSIGNED    NOT NULL AUTO_INCREMENT,
    add_date    DATETIME        NOT NULL,               -- UTC time of the event
    event       INT             NOT NULL,
    sn          VARBINARY(15)   NULL DEFAULT NULL,      -- serial number of the unit concerned
    param1      BIGINT          NULL DEFAULT NULL,      -- written with %ld
    param2      BIGINT          NULL DEFAULT NULL,
    PRIMARY KEY (id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------------
-- outbox: text messages queued for a vehicle's driver terminal. Rows are
-- inserted by the console command writeterm or by any other program; the
-- server's outbox sender walks the pending rows (status 0, fewer than 10
-- attempts) in unit order, counts attempts in sent_tries and, when the
-- unit acknowledges, sets status 1 and sent_date. Only the first 16
-- characters of addr and 150 of msg are delivered; the server reads each
-- into a 256-byte buffer, hence at most 255 bytes here.
-- add_date defaults to the current UTC time for programs that queue
-- messages without giving it.
-- ---------------------------------------------------------------------
CREATE TABLE IF NOT EXISTS outbox (
    id          INT UNSIGNED    NOT NULL AUTO_INCREMENT,
    add_date    DATETIME        NOT NULL DEFAULT (UTC_TIMESTAMP()),  -- UTC time of queuing
    device_id   INT UNSIGNED    NOT NULL,               -- devices.id of the addressee
    addr        VARBINARY(255)  NOT NULL DEFAULT '',    -- address text
    msg         VARBINARY(255)  NOT NULL,               -- message text
    status      INT             NOT NULL DEFAULT 0,     -- 0 pending, 1 delivered and acknowledged
    sent_tries  INT             NOT NULL DEFAULT 0,     -- delivery attempts; 10 or more: given up
    sent_date   DATETIME        NULL DEFAULT NULL,      -- UTC time of the acknowledgement
    PRIMARY KEY (id),
    -- pending select: where status=0 and sent_tries<10 and device_id>? order by device_id,id
    KEY idx_outbox_pending (status, device_id, id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------------
-- inbox: text messages sent by vehicles (driver terminal), stored by the
-- server, read by the dispatchers' programs. The position columns are
-- filled only when the unit's message carried a position (fixstat), a
-- valid GPS date (gps_date) and a fix (coordinates). The server writes
-- status 2 (new message from a unit); other values are the dispatchers'.
-- ---------------------------------------------------------------------
CREATE TABLE IF NOT EXISTS inbox (
    id          INT UNSIGNED    NOT NULL AUTO_INCREMENT,
    add_date    DATETIME        NOT NULL,               -- UTC time of storing
    device_id   INT UNSIGNED    NOT NULL,               -- devices.id of the sender
    addr        VARBINARY(16)   NOT NULL DEFAULT '',    -- address field of the unit's message
    msg         VARBINARY(150)  NOT NULL DEFAULT '',    -- message text
    fixstat     INT             NULL DEFAULT NULL,
    gps_date    DATETIME        NULL DEFAULT NULL,      -- UTC GPS date and time of the position
    latituded   INT             NULL DEFAULT NULL,
    latitudem   DOUBLE          NULL DEFAULT NULL,
    longituded  INT             NULL DEFAULT NULL,
    longitudem  DOUBLE          NULL DEFAULT NULL,
    status      INT             NOT NULL DEFAULT 2,
    PRIMARY KEY (id),
    KEY idx_inbox_device (device_id, id)                -- a unit's messages, for the dispatchers
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------------
-- korvalen: remote tachograph download requests. Rows are inserted by
-- the console command korvalen or by any other program; the server's
-- download request sender hands each pending row (sent_date NULL, fewer
-- than 10 attempts) to its unit, counting attempts in sent_tries; the
-- unit's acknowledgement sets sent_date. While the download runs, the
-- unit's progress reports set status, update_date and, once the file is
-- named, filename (a name in the driver-file directory, ".tmp" while it
-- is received, ".ddd" when complete, or a link given by the unit) and
-- crcc. status stays NULL until the first report.
-- ---------------------------------------------------------------------
CREATE TABLE IF NOT EXISTS korvalen (
    id          INT UNSIGNED    NOT NULL AUTO_INCREMENT,
    add_date    DATETIME        NOT NULL DEFAULT (UTC_TIMESTAMP()),  -- UTC time of queuing
    device_id   INT UNSIGNED    NOT NULL,               -- devices.id of the unit
    request     INT             NOT NULL,               -- request code given by the operator
    sent_tries  INT             NOT NULL DEFAULT 0,     -- delivery attempts; 10 or more: given up
    sent_date   DATETIME        NULL DEFAULT NULL,      -- UTC time of the unit's acknowledgement; NULL while pending
    status      INT             NULL DEFAULT NULL,      -- download status reported by the unit
    filename    VARBINARY(255)  NULL DEFAULT NULL,      -- stored tachograph file (or link)
    crcc        INT UNSIGNED    NULL DEFAULT NULL,      -- checksum of that file, written with %u
    update_date DATETIME        NULL DEFAULT NULL,      -- UTC time of the last status report
    PRIMARY KEY (id),
    -- pending select: where sent_date is NULL and sent_tries<10 and device_id>? order by device_id,id
    KEY idx_korvalen_pending (sent_date, device_id, id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------------
-- companies: fleet owners. The server uses only card_busy, the lock on
-- the company's tachograph card during a remote download: 0 when free,
-- otherwise the devices.id of the unit using it. Rows are maintained by
-- the back office; units point at them through devices.company_id.
-- ---------------------------------------------------------------------
CREATE TABLE IF NOT EXISTS companies (
    id          INT UNSIGNED    NOT NULL AUTO_INCREMENT,
    name        VARCHAR(100)    NULL DEFAULT NULL,      -- for people; not used by the server
    card_busy   INT UNSIGNED    NOT NULL DEFAULT 0,     -- written with %lu
    PRIMARY KEY (id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---------------------------------------------------------------------
-- decoder: progress of VimkoDecoder, exactly one row. record_no is the
-- locdata id from which the decoder continues (rows with id >= record_no
-- are still to be decoded); it starts at 0, i.e. from the first row.
-- The decoder reads it with "select record_no from decoder" and stores it
-- with "update decoder set record_no=..." after each batch, both in lower
-- case so they reach this table whatever lower_case_table_names says; it
-- inserts the row itself when the table has none.
-- ---------------------------------------------------------------------
CREATE TABLE IF NOT EXISTS decoder (
    id          TINYINT UNSIGNED NOT NULL DEFAULT 1,
    record_no   BIGINT UNSIGNED  NOT NULL DEFAULT 0,    -- next locdata id to decode
    PRIMARY KEY (id),
    CONSTRAINT decoder_single_row CHECK (id = 1)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

INSERT IGNORE INTO decoder (id, record_no) VALUES (1, 0);

-- For statements that name the table in upper case (older tools). Where
-- table names are case-sensitive (lower_case_table_names=0, the default on
-- Linux) an updatable view DECODER makes them reach the same row; where
-- they are not, DECODER already is the table and no view is made.
SET @vimko_decoder_view := IF(@@lower_case_table_names = 0,
    'CREATE VIEW IF NOT EXISTS DECODER AS SELECT id, record_no FROM decoder',
    'DO 0');
PREPARE vimko_decoder_stmt FROM @vimko_decoder_view;
EXECUTE vimko_decoder_stmt;
DEALLOCATE PREPARE vimko_decoder_stmt;
SET @vimko_decoder_view := NULL;
