-- One demo company database: its user, the application, the company record,
-- the SAMO access and a few hundred older journal rows over the past months.
-- psql variables: user_name, user_password (as stored: typed or digest), samo_url
delete from aplicatie_mob_emitent;
delete from aplicatie_mob;
delete from emitent;
delete from eu;
delete from config_samo;

insert into emitent (emitent, operator_parola, eu_punct_lucru, functie)
    values (:'user_name', :'user_password', 'Sediu Cluj-Napoca', 'operator');
insert into aplicatie_mob (aplicatie_mob, activ, obs)
    values ('wImportFactCMarvo', true, 'import facturi client din SAMO');
insert into aplicatie_mob_emitent (aplicatie_mob, emitent, rol) values ('wImportFactCMarvo', :'user_name', 'operator');
insert into eu (cod_cci, eu, tara, localit, adresa, jas_ip)
    values ('RO 14.837.228', 'Marvo Turism SRL', 'RO', 'Cluj-Napoca', 'Str. Memorandumului 28', 'rapoarte.marvo.ro:8443');
insert into config_samo (base_url, user_name, pass) values (:'samo_url', 'marvo.api', 'samo-demo-secret');

-- Journal rows imported in earlier months; the SAMO server serves fresh ones.
insert into log_samo_factc (id, json_factc, json_factc_date, json_factc_nr, err_ins_qor, data_log)
select id, json_build_object(
           'id', id, 'date', d::text, 'number', nr,
           'clientData', json_build_object('client', client, 'cui', cui),
           'currency', 'RON', 'total', round((100 + (g * 37) % 9000)::numeric, 2))::text,
       d, nr,
       case when g % 23 = 0 then 'client inexistent in Qor' end,
       d + time '09:00' + (g % 480) * interval '1 minute'
from (
    select g,
           'ARH-' || lpad(g::text, 9, '0') as id,
           current_date - 2 - (g * 7) % 180 as d,
           'FC 2026-' || lpad((5000 + g)::text, 6, '0') as nr,
           (array['Ștefănescu Țesături SRL', 'Brânzeturi Ardelenești SA', 'Agenția Carpați Tur SRL',
                  'Mureș Transport SRL', 'Cofetăria Dulce Iași SRL', 'Vinuri de Târnave SA',
                  'Popescu Ion PFA', 'Hotel Bucegi SRL', 'Librăria Cărturești Cluj SRL',
                  'Ţara Oaşului Expres SRL'])[1 + g % 10] as client,
           'RO' || (10000000 + (g * 7919) % 89999999)::text as cui
    from generate_series(1, 300) g
) rows
on conflict (id) do nothing;
