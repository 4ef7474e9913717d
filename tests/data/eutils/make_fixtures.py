#!/usr/bin/python3
# Makes the E-utilities replay folders: tests/data/eutils (this folder: the
# demo's terms, test-only genes and fault entries) and data/eutils (the
# demo's terms, and "none found" for any other symbol or accession). Each reply keeps the shape of a real NCBI reply named
# in SOURCES.md; ids, titles and sequences are illustrative. Run it here:
#   /usr/bin/python3 make_fixtures.py
import hashlib, os, shutil

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.normpath(os.path.join(HERE, "..", "..", "..", "data", "eutils"))
MOUSE, HUMAN = (10090, "Mus musculus", "house mouse"), (9606, "Homo sapiens", "human")

ESEARCH_DTD = ('<?xml version="1.0" encoding="UTF-8" ?>\n<!DOCTYPE eSearchResult PUBLIC "-//NLM//DTD '
               'esearch 20060628//EN" "https://eutils.ncbi.nlm.nih.gov/eutils/dtd/20060628/esearch.dtd">\n')
GENE_DTD = ('<?xml version="1.0" encoding="UTF-8" ?>\n<!DOCTYPE eSummaryResult PUBLIC "-//NLM//DTD '
            'eSummaryResult//EN" "https://eutils.ncbi.nlm.nih.gov/eutils/dtd/20160322/esummary_gene.dtd">\n')
SUMMARY_V1_DTD = ('<?xml version="1.0" encoding="UTF-8" ?>\n<!DOCTYPE eSummaryResult PUBLIC "-//NLM//DTD '
                  'esummary v1 20041029//EN" "https://eutils.ncbi.nlm.nih.gov/eutils/dtd/20041029/esummary-v1.dtd">\n')
ELINK_DTD = ('<?xml version="1.0" encoding="UTF-8" ?>\n<!DOCTYPE eLinkResult PUBLIC "-//NLM//DTD elink '
             '20101123//EN" "https://eutils.ncbi.nlm.nih.gov/eutils/dtd/20101123/elink.dtd">\n')

# Genes: symbol, GeneID, description, aliases, organism, status, current id,
# transcripts (accession.version, uid, title).
GENES = {
    "Pax6": (18508, "paired box 6", "4930496N07Rik, AEY11, Dey, Gsfaey11, Pax-6, Sey", MOUSE, 0, 0, [
        ("NM_013627.6", 1720383456, "Mus musculus paired box 6 (Pax6), transcript variant 1, mRNA"),
        ("NM_001244198.2", 1720383458, "Mus musculus paired box 6 (Pax6), transcript variant 3, mRNA"),
        ("XM_006498712.5", 2217331502, "PREDICTED: Mus musculus paired box 6 (Pax6), transcript variant X1, mRNA")]),
    "Trp53": (22059, "transformation related protein 53", "Tp53, bbl, bfy, bhy, p44, p53", MOUSE, 0, 0, [
        ("NM_011640.3", 1720383470, "Mus musculus transformation related protein 53 (Trp53), transcript variant 1, mRNA")]),
    "Sox2": (20674, "SRY (sex determining region Y)-box 2", "Sox-2, lcc, ysb", MOUSE, 0, 0, [
        ("NM_011443.4", 2250012345, "Mus musculus SRY (sex determining region Y)-box 2 (Sox2), mRNA")]),
    "TP53": (7157, "tumor protein p53", "BCC7, BMFS5, LFS1, P53, TRP53", HUMAN, 0, 0, [
        ("NM_000546.6", 1732746264, "Homo sapiens tumor protein p53 (TP53), transcript variant 1, mRNA"),
        ("NM_001126112.3", 1732746266, "Homo sapiens tumor protein p53 (TP53), transcript variant 2, mRNA")]),
    "LOC107986084": (107986084, "uncharacterized LOC107986084", "", HUMAN, 1, 7375, []),
    "USP4": (7375, "ubiquitin specific peptidase 4", "UNP, Unph", HUMAN, 0, 0, []),
    # Test only.
    "Modelgene": (990001, "model-only test gene", "", MOUSE, 0, 0, [
        ("XR_990002.1", 990012, "PREDICTED: Mus musculus Modelgene, transcript variant X2, misc_RNA"),
        ("XM_990001.1", 990011, "PREDICTED: Mus musculus Modelgene, transcript variant X1, mRNA")]),
    "Norna": (990003, "test gene without RefSeq RNA", "", MOUSE, 0, 0, []),
}
# Symbol searches: term -> (organism, GeneIDs found).
SEARCHES = {
    "Pax6": (MOUSE, [18508]), "Trp53": (MOUSE, [22059]), "Sox2": (MOUSE, [20674]),
    "TP53": (HUMAN, [7157]), "LOC107986084": (HUMAN, [107986084]),
    "p53": (MOUSE, [22059]),  # alias of Trp53 only
    "Notagene": (MOUSE, []),
    "Modelgene": (MOUSE, [990001]), "Norna": (MOUSE, [990003]),
}
DEMO_TERMS = ["Pax6", "Trp53", "Sox2", "TP53", "LOC107986084", "p53", "Notagene"]
# Accessions: accession -> (uid, summary of the record or None when it is one above).
ACCESSIONS = {"NM_000546": 1732746264}


def key(util, params):
    return "/entrez/eutils/%s.fcgi?%s&tool=quillfish" % (util, "&".join("%s=%s" % p for p in params))


def name(util, params, ext):
    return "%s_%s.%s" % (util, hashlib.sha1(key(util, params).encode()).hexdigest()[:12], ext)


class Folder:
    def __init__(self, path):
        self.path, self.lines, self.files = path, [], {}

    def put(self, util, params, body, fault="", ext=None):
        ext = ext or ("txt" if util == "efetch" else "xml")
        f = name(util, params, ext)
        self.files[f] = body
        self.lines.append(key(util, params) + "\t" + f + ("\t" + fault if fault else ""))
        return f

    def write(self, header):
        if os.path.isdir(self.path):
            for f in os.listdir(self.path):
                if f.endswith((".xml", ".txt", ".html", ".json")) or f == "index.tsv":
                    os.remove(os.path.join(self.path, f))
        os.makedirs(self.path, exist_ok=True)
        for f, body in self.files.items():
            with open(os.path.join(self.path, f), "w", newline="") as out:
                out.write(body)
        with open(os.path.join(self.path, "index.tsv"), "w") as out:
            out.write(header + "".join(l + "\n" for l in self.lines))


# Shaped on tools-iuc esearch.gene.hist.xml (one line, ids on lines of their
# own) with the organism translation of Bio-EUtilities esearch1.xml; the
# TranslationStack has Counts of its own. None found: biopython esearch8.xml.
def esearch(term, field, organism, ids):
    if not ids:
        return (ESEARCH_DTD + "<eSearchResult><Count>0</Count><RetMax>0</RetMax><RetStart>0</RetStart>"
                "<IdList/><TranslationSet/><QueryTranslation>(%s[%s])</QueryTranslation><ErrorList>"
                "<PhraseNotFound>%s</PhraseNotFound></ErrorList><WarningList><OutputMessage>No items "
                "found.</OutputMessage></WarningList></eSearchResult>\n" % (term, field, term))
    idlist = "".join("<Id>%d</Id>\n" % i for i in ids)
    if organism:
        trans = ("<TranslationSet><Translation>     <From>\"%s\"[orgn]</From>     <To>\"%s\"[Organism]</To>"
                 "    </Translation></TranslationSet><TranslationStack>   <TermSet>    <Term>%s[Gene Name]</Term>"
                 "    <Field>Gene Name</Field>    <Count>%d</Count>    <Explode>N</Explode>   </TermSet>   "
                 "<TermSet>    <Term>\"%s\"[Organism]</Term>    <Field>Organism</Field>    <Count>%d</Count>"
                 "    <Explode>Y</Explode>   </TermSet>   <OP>AND</OP>  </TranslationStack><QueryTranslation>"
                 "%s[Gene Name] AND \"%s\"[Organism]</QueryTranslation>"
                 % (organism, organism, term, 40 + len(term), organism, 1803260, term, organism))
    else:
        trans = ("<TranslationSet/><TranslationStack>   <TermSet>    <Term>%s[Accession]</Term>    "
                 "<Field>Accession</Field>    <Count>%d</Count>    <Explode>N</Explode>   </TermSet>   "
                 "<OP>GROUP</OP>  </TranslationStack><QueryTranslation>%s[Accession]</QueryTranslation>"
                 % (term, len(ids), term))
    return (ESEARCH_DTD + "<eSearchResult><Count>%d</Count><RetMax>%d</RetMax><RetStart>0</RetStart><IdList>\n"
            "%s</IdList>%s</eSearchResult>\n" % (len(ids), len(ids), idlist, trans))


# Shaped on Eutils-JSON esummary.gene.xml (version 2.0, Tgfb1); human genes
# carry their TaxID inside Organism, as newer replies are said to.
def gene_summary(symbols):
    docs = []
    for s in symbols:
        uid, desc, aliases, (taxid, orgname, common), status, current, _ = GENES[s]
        taxon = ("\t<TaxID>%d</TaxID>\n" % taxid if taxid == 10090 else
                 "\t<Organism>\n\t\t<ScientificName>%s</ScientificName>\n\t\t<CommonName>%s</CommonName>\n"
                 "\t\t<TaxID>%d</TaxID>\n\t</Organism>\n" % (orgname, common, taxid))
        docs.append(
            '<DocumentSummary uid="%d">\n\t<Name>%s</Name>\n\t<Description>%s</Description>\n'
            "\t<Orgname>%s</Orgname>\n\t<Status>%d</Status>\n\t<CurrentID>%d</CurrentID>\n"
            "\t<Chromosome></Chromosome>\n\t<GeneticSource>genomic</GeneticSource>\n"
            "\t<OtherAliases>%s</OtherAliases>\n\t<NomenclatureSymbol>%s</NomenclatureSymbol>\n"
            "\t<NomenclatureName>%s</NomenclatureName>\n%s\t<Mim>\n\t</Mim>\n\t<GenomicInfo>\n"
            "\t</GenomicInfo>\n\t<GeneWeight>%d</GeneWeight>\n\t<Summary></Summary>\n</DocumentSummary>\n"
            % (uid, s, desc, orgname, status, current, aliases, s, desc, taxon, 1000 + uid % 997))
    return (GENE_DTD + '<eSummaryResult>\n<DocumentSummarySet status="OK">\n%s\n</DocumentSummarySet>\n'
            "</eSummaryResult>\n" % "".join(docs))


# Shaped on tools-iuc elink.esearchin_id_1link.xml (one LinkSet per id=,
# links in descending uid order); without links, the LinkSet has no LinkSetDb.
def elink(symbols):
    sets = []
    for s in symbols:
        uid, _, _, _, _, _, rnas = GENES[s]
        links = "".join("\n        <Link>\n\t\t\t\t<Id>%d</Id>\n\t\t\t</Link>" % u
                        for u in sorted((r[1] for r in rnas), reverse=True))
        db = ("\n    <LinkSetDb>\n      <DbTo>nuccore</DbTo>\n      <LinkName>gene_nuccore_refseqrna</LinkName>\n"
              "      %s\n      \n    </LinkSetDb>" % links if rnas else "")
        sets.append("\n  <LinkSet>\n    <DbFrom>gene</DbFrom>\n    <IdList>\n      <Id>%d</Id>\n    </IdList>%s\n"
                    "  </LinkSet>" % (uid, db))
    return ELINK_DTD + "<eLinkResult>\n%s\n</eLinkResult>\n\n" % "".join(sets)


# Shaped on biopython esummary4.xml (v1 DocSum, Item Name/Type).
def nuccore_summary(records):
    docs = []
    for acc, uid, title, taxid, length, status, replaced in records:
        caption = acc.split(".")[0]
        docs.append(
            "<DocSum>\n\t<Id>%d</Id>\n\t<Item Name=\"Caption\" Type=\"String\">%s</Item>\n"
            "\t<Item Name=\"Title\" Type=\"String\">%s</Item>\n"
            "\t<Item Name=\"Extra\" Type=\"String\">gi|%d|ref|%s|</Item>\n"
            "\t<Item Name=\"Gi\" Type=\"Integer\">%d</Item>\n"
            "\t<Item Name=\"CreateDate\" Type=\"String\">2024/03/05</Item>\n"
            "\t<Item Name=\"UpdateDate\" Type=\"String\">2024/03/05</Item>\n"
            "\t<Item Name=\"Flags\" Type=\"Integer\">512</Item>\n"
            "\t<Item Name=\"TaxId\" Type=\"Integer\">%d</Item>\n"
            "\t<Item Name=\"Length\" Type=\"Integer\">%d</Item>\n"
            "\t<Item Name=\"Status\" Type=\"String\">%s</Item>\n"
            "\t<Item Name=\"ReplacedBy\" Type=\"String\">%s</Item>\n"
            "\t<Item Name=\"Comment\" Type=\"String\"><![CDATA[%s]]></Item>\n"
            "\t<Item Name=\"AccessionVersion\" Type=\"String\">%s</Item>\n</DocSum>\n"
            % (uid, caption, title, uid, acc, uid, taxid, length, status, replaced,
               "  " if status == "live" else "This record was replaced or removed.", acc))
    return SUMMARY_V1_DTD + "<eSummaryResult>\n%s\n</eSummaryResult>\n" % "\n".join(docs)


def sequence(acc, length):
    bases, seed = "", int(hashlib.sha1(acc.encode()).hexdigest(), 16)
    while len(bases) < length:
        bases += "acgt"[seed % 4]
        seed //= 4 if seed > 4 else 1
        if seed < 4:
            seed = int(hashlib.sha1((acc + bases).encode()).hexdigest(), 16)
    lines = []
    for start in range(0, length, 60):
        chunk = bases[start:start + 60]
        lines.append("%9d %s" % (start + 1, " ".join(chunk[i:i + 10] for i in range(0, len(chunk), 10))))
    return "\n".join(lines)


# Shaped on biojava NM_000266.gb (efetch rettype=gb: LOCUS ... ORIGIN,
# 60 bases a line, "//" and a blank line), much shortened.
def genbank(acc, title, organism, symbol, geneid, length):
    taxid, orgname, common = organism
    kind = "mRNA" if "mRNA" in title else "RNA"
    lineage = ("Eukaryota; Metazoa; Chordata; Craniata; Vertebrata; Euteleostomi;\n            "
               + ("Mammalia; Eutheria; Euarchontoglires; Glires; Rodentia;\n            Myomorpha; Muroidea; "
                  "Muridae; Murinae; Mus; Mus." if taxid == 10090 else
                  "Mammalia; Eutheria; Euarchontoglires; Primates; Haplorrhini;\n            Catarrhini; "
                  "Hominidae; Homo."))
    division = "ROD" if taxid == 10090 else "PRI"
    return ("LOCUS       %-16s%11d bp    %-7s linear   %s 05-MAR-2024\n"
            "DEFINITION  %s.\nACCESSION   %s\nVERSION     %s\nKEYWORDS    RefSeq.\n"
            "SOURCE      %s (%s)\n  ORGANISM  %s\n            %s\n"
            "COMMENT     Shortened test record; the sequence is made up.\n"
            "FEATURES             Location/Qualifiers\n"
            "     source          1..%d\n                     /organism=\"%s\"\n"
            "                     /mol_type=\"%s\"\n                     /db_xref=\"taxon:%d\"\n"
            "     gene            1..%d\n                     /gene=\"%s\"\n"
            "                     /db_xref=\"GeneID:%d\"\nORIGIN      \n%s\n//\n\n"
            % (acc.split(".")[0], length, kind, division, title, acc.split(".")[0], acc, orgname, common,
               orgname, lineage, length, orgname, kind, taxid, length, symbol, geneid, sequence(acc, length)))


def length_of(acc):
    return 120 + int(hashlib.sha1(acc.encode()).hexdigest(), 16) % 100


def records_of(symbol):
    uid, _, _, (taxid, _, _), _, _, rnas = GENES[symbol]
    return [(acc, u, title, taxid, length_of(acc), "live", "") for acc, u, title in rnas]


def gene_flow(folder, symbol, with_fetch=True):
    """Every reply a symbol term can ask for (and the efetch of each record)."""
    organism, ids = SEARCHES[symbol]
    term = '%s[sym] AND "%s"[orgn]' % (symbol, organism[1])
    folder.put("esearch", [("db", "gene"), ("term", term), ("retmax", "20")],
               esearch(symbol, "sym", organism[1], ids))
    if not ids:
        return
    genes = [s for s in GENES if GENES[s][0] in ids]
    folder.put("esummary", [("db", "gene"), ("id", ",".join(map(str, ids))), ("version", "2.0")],
               gene_summary(genes))
    for g in genes:
        current = GENES[g][5]
        if current:
            succ = [s for s in GENES if GENES[s][0] == current]
            folder.put("esummary", [("db", "gene"), ("id", str(current)), ("version", "2.0")],
                       gene_summary(succ))
            continue
        folder.put("elink", [("dbfrom", "gene"), ("db", "nuccore"), ("id", str(GENES[g][0])),
                             ("linkname", "gene_nuccore_refseqrna")], elink([g]))
        recs = records_of(g)
        if not recs:
            continue
        ids_desc = sorted((r[1] for r in recs), reverse=True)
        folder.put("esummary", [("db", "nuccore"), ("id", ",".join(map(str, ids_desc)))],
                   nuccore_summary(sorted(recs, key=lambda r: -r[1])))
        if not with_fetch:
            continue
        curated = [r for r in recs if r[0][:3] in ("NM_", "NR_")]
        fetches = [[r] for r in curated] if curated else [sorted(recs, key=lambda r: (r[0][:3] != "XM_", r[0]))]
        for fetch in fetches:
            body = "".join(genbank(acc, title, GENES[g][3], g, GENES[g][0], length)
                           for acc, _, title, _, length, _, _ in fetch)
            folder.put("efetch", [("db", "nuccore"), ("id", ",".join(str(r[1]) for r in fetch)),
                                  ("rettype", "gb"), ("retmode", "text")], body)


def accession_flow(folder, accession, uid, summary=None, gb=None, fault=""):
    folder.put("esearch", [("db", "nuccore"), ("term", accession + "[accn]"), ("retmax", "5")],
               esearch(accession, "accn", None, [uid]), fault)
    if summary is not None:
        folder.put("esummary", [("db", "nuccore"), ("id", str(uid))], nuccore_summary([summary]))
    if gb is not None:
        folder.put("efetch", [("db", "nuccore"), ("id", str(uid)), ("rettype", "gb"), ("retmode", "text")], gb)


def main():
    for path, terms, tests in ((HERE, list(SEARCHES), True), (DEMO, DEMO_TERMS, False)):
        folder = Folder(path)
        done = set()
        for t in terms:
            before = len(folder.lines)
            gene_flow(folder, t)
            # A key already written (p53 shares Trp53's) is written once.
            new = []
            for line in folder.lines[before:]:
                if line.split("\t")[0] not in done:
                    done.add(line.split("\t")[0])
                    new.append(line)
            folder.lines[before:] = new
        tp53 = [r for r in records_of("TP53") if r[0] == "NM_000546.6"][0]
        folder.put("esearch", [("db", "nuccore"), ("term", "NM_000546[accn]"), ("retmax", "5")],
                   esearch("NM_000546", "accn", None, [tp53[1]]))
        folder.put("esummary", [("db", "nuccore"), ("id", str(tp53[1]))], nuccore_summary([tp53]))
        if not tests:
            # Any other symbol or accession: NCBI's answer to a term it does
            # not know (biopython esearch8.xml, without the term's echo).
            for db in ("gene", "nuccore"):
                prefix = "/entrez/eutils/esearch.fcgi?db=%s&term=*" % db
                f = "esearch_%s.xml" % hashlib.sha1(prefix.encode()).hexdigest()[:12]
                folder.files[f] = (ESEARCH_DTD + "<eSearchResult><Count>0</Count><RetMax>0</RetMax>"
                                   "<RetStart>0</RetStart><IdList/><TranslationSet/><WarningList>"
                                   "<OutputMessage>No items found.</OutputMessage></WarningList>"
                                   "</eSearchResult>\n")
                folder.lines.append(prefix + "\t" + f)
        if tests:
            # Faults. A busy server once: the versioned accession's search.
            folder.put("esearch", [("db", "nuccore"), ("term", "NM_000546.6[accn]"), ("retmax", "5")],
                       esearch("NM_000546.6", "accn", None, [tp53[1]]), "status=429,times=1")
            # A replaced record.
            accession_flow(folder, "XM_990021", 990021,
                           ("XM_990021.1", 990021, "PREDICTED: replaced test record", 10090, 150,
                            "replaced", "NM_990022.1"))
            # GenBank text that stops inside its record.
            live = ("NM_990031.1", 990031, "Mus musculus truncated test record, mRNA", 10090, 150, "live", "")
            whole = genbank("NM_990031.1", live[2], MOUSE, "Trunc", 990030, 150)
            accession_flow(folder, "NM_990031", 990031, live, whole[:whole.index("       61 ")])
            # A failing server, an <ERROR> in a 200 reply (shaped on
            # Eutils-JSON esearch.baderror.xml), a proxy's HTML page.
            for symbol, body, fault, ext in (
                    # NCBI's 500 body (ropensci/rentrez#159), with a documentation address.
                    ("Failing", '{"error":"error forwarding request","api-key":"203.0.113.5","type":"ip",'
                     '"status":"ok"}\n', "status=500", "json"),
                    ("Errorgene", '<?xml version="1.0" encoding="UTF-8"?>\n<!DOCTYPE eSearchResult PUBLIC '
                     '"-//NLM//DTD eSearchResult, 11 May 2002//EN" "http://www.ncbi.nlm.nih.gov/entrez/query/'
                     'DTD/eSearch_020511.dtd">\n<eSearchResult>\n  <ERROR>Invalid query syntax</ERROR>\n'
                     "</eSearchResult>\n", "", None),
                    ("Proxied", "<!DOCTYPE html>\n<html><head><title>Access denied</title></head><body>"
                     "<h1>Access denied</h1><p>The proxy refused the request.</p></body></html>\n", "", "html")):
                folder.put("esearch", [("db", "gene"), ("term", '%s[sym] AND "Mus musculus"[orgn]' % symbol),
                                       ("retmax", "20")], body, fault, ext)
        folder.write("# E-utilities replies for the %s: request TAB file [TAB fault].\n"
                     "# Written by tests/data/eutils/make_fixtures.py; edit that and run it again.\n"
                     % ("tests" if tests else "demo"))


main()
