-- Directory database (qor_mob): where each company's database lives.
-- Safe to run again: the table is created only when missing.
-- nume_firma is matched exactly as typed at login; the first row found wins.
-- pw_hash_type 'HashSHA2' means emitent.operator_parola holds SHA-256 hex digests.
create table if not exists m_firma (
    nume_firma   text,
    ip           text,
    port         integer,
    db_name      text,
    activ        boolean,
    m_site       boolean,
    pw_hash_type text
);
