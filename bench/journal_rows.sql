-- The listing benchmark's journal: :rows transactions of about 1.5 KB of
-- JSON each, shaped like the SAMO pages (id, date, number, client, agency,
-- lines), dated over the last ten years. Run as qor on the company database:
--   psql -v rows=100000 -f bench/journal_rows.sql
truncate log_samo_factc;

insert into log_samo_factc (id, json_factc, json_factc_date, json_factc_nr, err_ins_qor, data_log)
select t.id, t.json::text, t.day, t.nr, null, now() - (g % 1000) * interval '1 minute'
from generate_series(1, :rows) g
cross join lateral (
    select 'BENCH-' || lpad(g::text, 9, '0') as id,
           current_date - (g * 7919 % 3650) as day,
           'FC ' || extract(year from current_date - (g * 7919 % 3650)) || '-' || lpad(g::text, 6, '0') as nr,
           (array['Ștefănescu Țesături SRL', 'Brânzeturi Ardelenești SA', 'Agroindustriala Bărăgan SRL',
                  'Construcții Moldova Nouă SRL', 'Tipografia Șincai SRL', 'Vinurile Dealu Mare SA',
                  'Pădurea Verde Distribuție SRL', 'Mobila Făgăraș SRL', 'Transporturi Iași Expres SRL',
                  'Electrica Târgu Mureș Service SRL', 'Panificația Câmpina SA', 'Lactate Bucovina SRL',
                  'Ceramica Horezu Artizanat SRL', 'Turism Deltă și Munte SRL', 'Oțelăria Reșița Prelucrări SA',
                  'Florăria Înflorită SRL', 'Soft Consult București SRL', 'Apicola Țara Bârsei SRL',
                  'Farmacia Sănătatea Oltului SRL', 'Auto Service Ploiești SRL', 'ÎMPĂRĂȚIA JUCĂRIILOR SRL',
                  'ȘANTIERUL NAVAL ÂNCORA SA'])[1 + g * 31 % 22] as client,
           'RO' || (1000000 + g * 37 % 40000000) as cui
) c
cross join lateral (
    select c.id, c.day, c.nr,
           json_build_object(
               'id', c.id, 'date', c.day::text, 'number', c.nr,
               'clientData', json_build_object('client', c.client, 'cui', c.cui),
               'agency', (array['Agenția București Nord', 'Agenția Cluj-Napoca', 'Agenția Timișoara Centru',
                                'Agenția Constanța Port', 'Agenția Brașov'])[1 + g % 5],
               'currency', case when g % 6 = 0 then 'EUR' else 'RON' end,
               'total', round((g * 7.31 % 25000)::numeric, 2),
               'vatTotal', round((g * 1.39 % 4750)::numeric, 2),
               'lines', (select json_agg(json_build_object(
                                 'description', (array['Bilet avion București - Viena', 'Cazare hotel, 2 nopți',
                                                       'Transfer aeroport - hotel', 'Asigurare călătorie',
                                                       'Taxă de rezervare', 'Închiriere autocar cu șofer',
                                                       'Excursie Delta Dunării', 'Pachet city-break Sibiu',
                                                       'Consultanță turistică',
                                                       'Servicii ghid în limba română'])[1 + (g + l) % 10],
                                 'quantity', 1 + (g + l) % 5,
                                 'unitPrice', round(((g * l) % 250000 / 100.0)::numeric, 2),
                                 'vatRate', (array[21, 21, 11])[1 + (g + l) % 3]))
                         from generate_series(1, 12) l)) as json
) t;

vacuum analyze log_samo_factc;
