-- Company database (qor1 and its siblings): the tables and the journal function
-- the program relies on. Safe to run again: tables are created only when missing,
-- the function is replaced.
--
-- Column types follow what the program reads: text N -> varchar(N), long text -> text,
-- float -> double precision. Every NOT NULL column except a key has a default, so a
-- row can be seeded with just the columns that matter to it.

-- One row per user; operator_parola is the password as typed, or its SHA-256 hex
-- digest when the directory's pw_hash_type says so.
create table if not exists emitent (
    emitent                      varchar(100) primary key,
    emitent_corect               varchar(100),
    este_emitent                 boolean not null default false,
    este_operator                boolean not null default false,
    este_comisionar              boolean not null default false,
    este_sofer                   boolean not null default false,
    operator_parola              varchar(256),
    cod_casier_pos               varchar(10),
    banca_eu_default             varchar(100),
    cont_banca_eu_default        varchar(28),
    casa                         varchar(50),
    moneda                       varchar(3),
    magazie_sursa_default        varchar(5),
    magazie_dest_default         varchar(5),
    functie                      varchar(30),
    eu_punct_lucru               varchar(50) not null default '',
    com_int                      varchar(25),
    loc                          varchar(25),
    nr_obiect                    varchar(20),
    ci_nume                      varchar(30),
    ci_serie                     varchar(3),
    ci_nr                        varchar(25),
    ci_data_elib                 date,
    ci_elib                      varchar(25),
    cnp                          varchar(25),
    transport_mijloc             varchar(25),
    transport_nr                 varchar(25),
    da_nu_schimbare_pl           boolean not null default false,
    da_nu_adaugare_partener      boolean not null default false,
    da_nu_adaugare_articol       boolean not null default false,
    da_nu_acces_la_politica_pret boolean not null default false,
    da_nu_modif_data_listare     boolean not null default false,
    da_nu_acces_limita_creditare boolean not null default false,
    prez_of_stoc_fact_cl         boolean not null default false,
    prez_of_stoc_av_exp          boolean not null default false,
    prez_of_stoc_bte             boolean not null default false,
    prez_of_stoc_bc              boolean not null default false,
    pret_fact_cl_cu_tva          boolean not null default false,
    da_nu_fact_pe_calc           boolean not null default false,
    da_nu_modif_nr_fact_pe_calc  boolean not null default false,
    da_nu_fact_autocopy          boolean not null default false,
    da_nu_aviz_autocopy          boolean not null default false,
    da_nu_modif_data_livrare     boolean not null default false,
    nr_zile_prezentare_doc       integer,
    data_ins                     date not null default current_date,
    da_nu_fact_ci_rosu           boolean,
    em_email_adr                 varchar(50),
    tel_fix                      varchar(30),
    tel_mobil                    varchar(30),
    proc_comisionar              double precision,
    em_outgoing_email_server     varchar(50),
    em_outgoing_email_port       integer,
    em_outgoing_email_secure     boolean not null default false,
    em_outgoing_email_user       varchar(50),
    em_outgoing_email_psw        varchar(50),
    em_outlook                   boolean not null default false,
    lang                         varchar(15),
    rol_web                      varchar(25),
    rol_win                      varchar(25),
    web_theme                    varchar(25),
    discontinued                 boolean not null default false,
    data_export                  timestamp,
    data_import                  timestamp,
    vede_pret_stoc               boolean,
    da_nu_generare_op            boolean not null default false
);

-- Registered applications; the name is compared case-insensitively by the program.
create table if not exists aplicatie_mob (
    aplicatie_mob varchar(100) primary key,
    activ         boolean not null default false,
    obs           text
);

-- Users allowed per application, with their role.
create table if not exists aplicatie_mob_emitent (
    aplicatie_mob varchar(100) not null,
    emitent       varchar(100) not null,
    rol           text,
    primary key (aplicatie_mob, emitent)
);

-- The company's own record; the program reads the first row. cod_cci_num is not
-- stored: the program's query derives it from cod_cci.
-- data_denominare defaults to the leu's redenomination day, norma to an 8-hour day.
create table if not exists eu (
    cod_cci                         varchar(20) not null default '',
    atribut_fiscal                  varchar(3),
    tip_societate                   varchar(20),
    reg_comert_jud                  varchar(5),
    reg_comert_nr                   varchar(7),
    reg_comert_data                 date,
    reg_comert_jud_suc              varchar(5),
    reg_comert_nr_suc               varchar(7),
    reg_comert_data_suc             date,
    cnp_a                           varchar(13),
    eu                              varchar(100),
    eu_sediu                        varchar(30),
    data_incep_activitate           date not null default current_date,
    trezoreria                      varchar(100),
    trezoreria_cont                 varchar(28),
    data_gen_fact                   date,
    tara                            varchar(3) not null default '',
    localit                         varchar(30) not null default '',
    adresa                          varchar(100) not null default '',
    telefon                         varchar(50),
    fax                             varchar(50),
    email_adr                       varchar(50),
    web_adr                         varchar(50),
    nr_insp_munca                   varchar(15),
    nr_pers_hand_suta_ang           double precision,
    da_nu_modif_ore_prez            boolean,
    da_nu_dimin_avans_cu_ret        boolean,
    formula_calcul_co               varchar(30),
    proc_avans_co                   double precision,
    formula_calcul_avans_q          varchar(30),
    formula_calcul_penalitati       integer,
    proc_avans                      double precision,
    rotunjire_avans                 integer,
    rotunjire_lichidare             integer,
    proc_diminuare_bugetari         double precision,
    nr_autorizatie_alcool           varchar(30),
    metoda_stoc                     varchar(4) not null default '',
    da_nu_scadere_stoc_in_viitor    boolean not null default false,
    da_nu_impozit_profit            boolean not null default false,
    da_nu_nevoi_firma               boolean not null default false,
    da_nu_platitor_tva_in_vama      boolean,
    proc_impozit_profit             double precision,
    proc_deductibilitate            double precision,
    prez_of_stoc_fact_cl            boolean not null default false,
    da_nu_postcalcul                boolean not null default false,
    prez_of_stoc_av_exp             boolean not null default false,
    prez_of_stoc_bte                boolean not null default false,
    prez_of_stoc_bc                 boolean not null default false,
    pret_fact_cl_cu_tva             boolean not null default false,
    pret_nir_cu_tva                 boolean not null default false,
    pret_cmd_client_cu_tva          boolean not null default false,
    da_nu_tva_neexigibil            boolean not null default false,
    da_nu_list_fact_pr_ctl          boolean not null default false,
    da_nu_list_fact_neop_stoc       boolean not null default false,
    da_nu_bon_pe_calc               boolean not null default false,
    da_nu_cmd_pe_extrasb            boolean not null default false,
    da_nu_fact_pe_calc              boolean not null default false,
    da_nu_fact_autocopy             boolean not null default false,
    da_nu_aviz_autocopy             boolean not null default false,
    da_nu_nir_in_mag_dest           boolean not null default false,
    tip_contabilitate               varchar(20) not null default '',
    da_nu_politica_pret_punct_lucru boolean not null default false,
    da_nu_nota_c_fara_restrictie    boolean not null default false,
    da_nu_mon_cont_tip_doc          boolean not null default false,
    data_denominare                 date not null default date '2005-07-01',
    da_nu_balanta_pe_obiective      boolean not null default false,
    da_nu_rezervare_stoc            boolean not null default false,
    da_nu_contare_avz_c             boolean not null default false,
    da_nu_contare_nirad             boolean not null default false,
    norma                           double precision not null default 8,
    data_avans                      date,
    data_lichidare                  date,
    strada                          varchar(50),
    nr_strada                       varchar(10),
    bloc                            varchar(10),
    scara                           varchar(5),
    etaj                            varchar(5),
    apt                             varchar(5),
    sector                          varchar(1),
    cod_postal_adresa               varchar(6),
    sup_eu_denumire                 varchar(100),
    sup_eu_cui                      varchar(13),
    eu_cui                          varchar(13),
    eu_cif                          varchar(13),
    eu_reprezentant_legal           varchar(100),
    val_limita_casa_lei             double precision,
    proc_penaliz_intirziere         double precision,
    cod_forma_proprietate           double precision,
    cod_forma_organizare            double precision,
    cod_tip_societate               double precision,
    cod_caen                        varchar(6),
    cod_siruta                      double precision,
    tip_administrare_soc            varchar(50),
    capital_social                  varchar(100),
    da_nu_autoinchidere_cmd_client  boolean not null default false,
    da_nu_autoinchidere_cmd_furn    boolean not null default false,
    da_nu_institutie_publica        boolean not null default false,
    casa_asig_sanatate              varchar(2),
    nr_licenta_turism               varchar(20),
    da_nu_balanta_pe_subunitati     boolean not null default false,
    da_nu_b_casa_stoc               boolean not null default false,
    da_nu_b_casa_articol            boolean not null default false,
    da_nu_salarii_in_postcalcul     boolean not null default false,
    da_nu_turism_in_comision        boolean not null default false,
    da_nu_confirmare_comanda        boolean not null default false,
    da_nu_micro_intreprindere       boolean not null default false,
    da_nu_tva_nededus_cont_separat  boolean not null default false,
    jas_ip                          text,
    jas_ip_ext                      text,
    mod_plata_tva                   varchar(20),
    gln                             varchar(13),
    reges_cod_tip_angajator         varchar(20),
    reges_cod_forma_organizare      varchar(70),
    reges_cod_forma_juridica        varchar(48),
    reges_cod_tip_societate         varchar(30),
    reges_cod_forma_proprietate     varchar(8),
    reges_cod_act_id_pf             varchar(25),
    saft_cod                        varchar(2) not null default '',
    data_maximala_import_din_tina   date,
    reg_comert_nr_ord               varchar(30),
    reg_comert_nr_ord_suc           varchar(30)
);

-- SAMO access; the first row is used.
create table if not exists config_samo (
    base_url  text,
    user_name text,
    pass      text
);

-- Journal of imported SAMO transactions, one row per transaction id.
create table if not exists log_samo_factc (
    id              text primary key,
    json_factc      text,
    json_factc_date date,
    json_factc_nr   text,
    err_ins_qor     text,
    data_log        timestamp not null default now()
);

-- The journal is listed by date range.
create index if not exists log_samo_factc_date_idx on log_samo_factc (json_factc_date);

-- Journals one "GetAgencyInvoices" page: one row of log_samo_factc per element of
-- pjson->'listItems', upserted by id, so importing the same page again updates
-- rows instead of adding them (the latest import wins, data_log included).
--
-- json_factc keeps the element's text exactly as it arrived (json_array_elements
-- on json, not jsonb, hands back the original slice: spacing, line breaks, member
-- order and escapes untouched). listItemsCount is not consulted: the list itself
-- says what the page holds.
--
-- Bad input:
--   * pjson not an object, or listItems missing or not an array: exception.
--   * an element without a usable id (not an object, id missing, null, empty, or
--     neither a string nor a number): exception naming its 1-based position. The
--     caller's statement fails, so nothing of that page is stored.
--   * date missing: row stored, json_factc_date NULL, err_ins_qor 'data lipsa'.
--   * date not a real yyyy-mm-dd day: row stored, json_factc_date NULL,
--     err_ins_qor 'data invalida: <value>'. Other spellings that PostgreSQL would
--     accept ('today', '15/01/2026') are refused too, so a date is never guessed.
--   Rows without a date never appear in the program's date-ranged listing.
--
-- Result: one row per element, in page order: its id and 'inserat' (new row) or
-- 'actualizat' (an existing row replaced). The program fetches and ignores it.
create or replace function o_samo_log_factc_ins(pjson json)
returns table(id text, actiune text)
language plpgsql
as $$
#variable_conflict use_column
declare
    v_item json;
    v_pos  bigint;
    v_id   text;
    v_zi   text;
    v_data date;
    v_err  text;
    v_nou  boolean;
begin
    if coalesce(json_typeof(pjson -> 'listItems'), '') <> 'array' then
        raise exception 'o_samo_log_factc_ins: pagina nu are lista listItems';
    end if;

    for v_item, v_pos in
        select e.value, e.ordinality
        from json_array_elements(pjson -> 'listItems') with ordinality as e(value, ordinality)
    loop
        v_id := case when json_typeof(v_item) = 'object'
                      and json_typeof(v_item -> 'id') in ('string', 'number')
                     then v_item ->> 'id' end;
        if coalesce(btrim(v_id), '') = '' then
            raise exception 'o_samo_log_factc_ins: tranzactia nr. % din listItems nu are id', v_pos;
        end if;

        v_zi := v_item ->> 'date';
        v_data := null;
        v_err := null;
        if v_zi is null then
            v_err := 'data lipsa';
        elsif v_zi !~ '^\d{4}-\d{2}-\d{2}$' then
            v_err := 'data invalida: ' || v_zi;
        else
            begin
                v_data := v_zi::date;
            exception when data_exception then   -- e.g. 2026-02-30
                v_err := 'data invalida: ' || v_zi;
            end;
        end if;

        insert into log_samo_factc as l
            (id, json_factc, json_factc_date, json_factc_nr, err_ins_qor, data_log)
        values (v_id, v_item::text, v_data, v_item ->> 'number', v_err, now())
        on conflict (id) do update
            set json_factc      = excluded.json_factc,
                json_factc_date = excluded.json_factc_date,
                json_factc_nr   = excluded.json_factc_nr,
                err_ins_qor     = excluded.err_ins_qor,
                data_log        = excluded.data_log
        returning (l.xmax = 0) into v_nou;   -- xmax is 0 only on a freshly inserted row

        id := v_id;
        actiune := case when v_nou then 'inserat' else 'actualizat' end;
        return next;
    end loop;
end;
$$;
