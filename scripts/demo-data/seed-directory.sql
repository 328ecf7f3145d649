-- The demo's directory: two companies on the demo cluster. DEMO keeps its
-- passwords as SHA-256 digests, DEMO PLAIN as typed.
-- psql variables: port (the demo cluster's port)
delete from m_firma where nume_firma in ('DEMO', 'DEMO PLAIN');
insert into m_firma (nume_firma, ip, port, db_name, activ, m_site, pw_hash_type) values
    ('DEMO', '127.0.0.1', :port, 'qor_demo', true, false, 'HashSHA2'),
    ('DEMO PLAIN', '127.0.0.1', :port, 'qor_demo2', true, false, null);
