#!/usr/bin/env python3
"""Writes the sample NCBI/IGTC page set and its index.tsv into this folder.

Pages are written the way the NCBI server sent them: lower-case HTML,
absolute cluster and retrieve links through {{SERVER}}, relative sequence
links. Sequences are generated from a fixed seed, so the set is reproducible.
"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
rng = random.Random(20061)
index = []
seqs = {}


def write(name, text, key):
    with open(os.path.join(HERE, name), "w", newline="\n") as f:
        f.write(text)
    index.append((key, name))


def dna(n):
    return "".join(rng.choice("acgt") for _ in range(n))


def origin(seq):
    lines = []
    for i in range(0, len(seq), 60):
        chunk = seq[i:i + 60]
        groups = " ".join(chunk[j:j + 10] for j in range(0, len(chunk), 10))
        lines.append("%9d %s" % (i + 1, groups))
    return "\n".join(lines)


def page(title, body):
    return ("<html>\n<head>\n<title>%s</title>\n</head>\n<body bgcolor=\"#ffffff\">\n"
            "<table width=\"100%%\"><tr><td class=\"banner\">NCBI</td></tr></table>\n%s\n"
            "</body>\n</html>\n" % (title, body))


def genbank(acc, length, definition, organism, moltype="mRNA"):
    seq = seqs.setdefault(acc, dna(length))
    return page("NCBI Sequence Viewer: %s" % acc, (
        "<pre>\nLOCUS       %s %d bp    %s    linear   ROD 12-JUN-2006\n"
        "DEFINITION  %s\nACCESSION   %s\nVERSION     %s.1\nSOURCE      %s\n"
        "FEATURES             Location/Qualifiers\n"
        "     source          1..%d\n                     /organism=\"%s\"\n"
        "                     /mol_type=\"%s\"\n"
        "ORIGIN      \n%s\n//\n</pre>") % (acc.ljust(12), length, moltype, definition, acc,
                                       acc, organism, length, organism, moltype, origin(seq)))


def org_name(org):
    return "Mus musculus" if org == "Mm" else "Homo sapiens"


def record(org, acc, length, definition):
    """Sequence page (relative link target) and its GenBank record."""
    retrieve = "/entrez/query.fcgi?cmd=Retrieve&db=Nucleotide&list_uids=%s&dopt=GenBank" % acc
    write("seq_%s.html" % acc, page("UniGene sequence %s" % acc, (
        "<h2>Sequence %s</h2>\n<p>%s</p>\n<p>Links: <a href=\"{{SERVER}}/entrez/query.fcgi?"
        "cmd=Retrieve&amp;db=Nucleotide&amp;list_uids=%s&amp;dopt=GenBank\">GenBank</a></p>")
        % (acc, definition, acc)), "/UniGene/seq.cgi?ORG=%s&SEQ=%s" % (org, acc))
    write("gb_%s.html" % acc, genbank(acc, length, definition, org_name(org)), retrieve)


def seq_link(org, acc):
    return "<a href=\"seq.cgi?ORG=%s&amp;SEQ=%s\">%s</a>" % (org, acc, acc)


def cluster_link(org, cid):
    return ("<a href=\"{{SERVER}}/UniGene/clust.cgi?ORG=%s&amp;CID=%s\">%s.%s</a>"
            % (org, cid, org, cid))


def search_page(query, clusters, extra=""):
    rows = "".join("<tr><td>%d: </td><td>%s</td><td>%s</td></tr>\n"
                   % (i + 1, cluster_link(o, c), desc) for i, (o, c, desc) in enumerate(clusters))
    return page("Entrez UniGene", "<p>Search UniGene for <b>%s</b></p>\n"
                "<table cellpadding=\"2\">\n%s</table>%s" % (query, rows, extra))


SEARCH = "/entrez/query.fcgi?orig_db=UniGene&cmd=search&term="


def search(query, clusters, extra=""):
    name = "search_%s.html" % query.replace(" ", "_").replace(".", "_")
    write(name, search_page(query, clusters, extra), SEARCH + query)


def models_section(org, models):
    links = "<br>\n".join(seq_link(org, m) for m, _, _ in models)
    return "<p><b>Model sequences (%d)</b><br>\n%s</p>\n" % (len(models), links)


def mrna_section(org, mrnas):
    rows = "".join("<tr><td width=\"24%%\">%s</td><td width=\"76%%\">%s</td></tr>\n"
                   % (seq_link(org, a), d) for a, _, d in mrnas)
    return ("<table width=\"100%%\"><tr><th colspan=\"2\">mRNA sequences (%d)</th></tr>\n%s"
            "</table>\n" % (len(mrnas), rows))


def est_section(org, ests, shown=None, more=""):
    shown = ests if shown is None else shown
    count = "%d" % len(ests) if len(shown) == len(ests) else "%d of %d" % (len(shown), len(ests))
    rows = "".join(
        "<tr><td width=\"24%%\">%s</td><td width=\"34%%\">%s</td><td width=\"34%%\">%s</td>"
        "<td width=\"8%%\">%s</td></tr>\n" % (seq_link(org, a), clone, lib, end)
        for a, clone, lib, end in shown)
    return ("<table width=\"100%%\"><tr><th colspan=\"4\">EST sequences (%s)</th></tr>\n%s"
            "</table>\n%s" % (count, rows, more))


def cluster(org, cid, gene, desc, models=(), mrnas=(), ests=(), extra="", key_suffix=""):
    body = ("<h1>UniGene Cluster %s.%s</h1>\n<h2>%s: %s</h2>\n<p>Gene symbol: %s</p>\n"
            % (org, cid, org_name(org), desc, gene))
    if models:
        body += models_section(org, models)
    if mrnas:
        body += mrna_section(org, mrnas)
    body += extra
    if ests:
        body += est_section(org, ests)
    write("cluster_%s_%s%s.html" % (org, cid, key_suffix.replace("&", "_").replace("=", "")),
          page("UniGene Cluster %s.%s" % (org, cid), body),
          "/UniGene/clust.cgi?ORG=%s&CID=%s%s" % (org, cid, key_suffix))
    for acc, length, d in list(models) + list(mrnas):
        record(org, acc, length, d)
    for acc, clone, lib, end in ests:
        record(org, acc, 400 + rng.randrange(300), "EST %s %s" % (clone, lib))


def est(acc, n):
    return (acc, "IMAGE:%d" % (400000 + n * 137), "NIH_BMAP_%s" % ("M" + str(n)), "5'")


# --- mouse genes ---------------------------------------------------------
search("Pax6 mouse", [("Mm", "3608", "Paired box gene 6")])
cluster("Mm", "3608", "Pax6", "Paired box gene 6", mrnas=[
    ("NM_013627", 2797, "Mus musculus paired box gene 6 (Pax6), mRNA"),
    ("AK145789", 2410, "Mus musculus 12 days embryo eyeball cDNA, clone D230015K12"),
    ("BC011272", 2305, "Mus musculus paired box gene 6, mRNA (cDNA clone MGC:19092)")])

search("Sox2 mouse", [("Mm", "65396", "SRY-box containing gene 2")])
cluster("Mm", "65396", "Sox2", "SRY-box containing gene 2", models=[
    ("XM_355190", 2458, "PREDICTED: Mus musculus SRY-box containing gene 2 (Sox2), mRNA"),
    ("NM_011443", 2459, "Mus musculus SRY-box containing gene 2 (Sox2), mRNA")],
    mrnas=[("AB108673", 2230, "Mus musculus Sox2 mRNA, complete cds")])

search("Nanog mouse", [("Mm", "6047", "Nanog homeobox")])
cluster("Mm", "6047", "Nanog", "Nanog homeobox", mrnas=[
    ("AY278951", 2184, "Mus musculus homeobox transcription factor Nanog mRNA, complete cds")])

gata4_ests = [est("BG0%05d" % (63700 + i * 11), i) for i in range(14)]
search("Gata4 mouse", [("Mm", "1055", "GATA binding protein 4")])
cluster("Mm", "1055", "Gata4", "GATA binding protein 4",
        extra=est_section("Mm", gata4_ests, gata4_ests[:5],
                          "<p><a href=\"clust.cgi?ORG=Mm&amp;CID=1055&amp;MAXEST=14\">"
                          "Show all 14 ESTs</a></p>\n"))
cluster("Mm", "1055", "Gata4", "GATA binding protein 4", ests=gata4_ests, key_suffix="&MAXEST=14")

search("Hoxa9 mouse", [("Mm", "39504", "Homeo box A9")])
cluster("Mm", "39504", "Hoxa9", "Homeo box A9", ests=[est("CA314458", 1)])

search("Olfr1 mouse", [("Mm", "378932", "Olfactory receptor 1")])
cluster("Mm", "378932", "Olfr1", "Olfactory receptor 1",
        extra="<p>This cluster has no sequence list on this page.</p>\n")

# several clusters: a model one, an empty one, an mRNA one
actb = [("Mm", "328431", "Actin, beta, cytoplasmic"), ("Mm", "297", "Actin, beta-like"),
        ("Mm", "391967", "Actin, beta, pseudogene")]
search("Actb mouse", actb)
cluster("Mm", "328431", "Actb", "Actin, beta, cytoplasmic", models=[
    ("NM_007393", 1892, "Mus musculus actin, beta, cytoplasmic (Actb), mRNA")])
cluster("Mm", "297", "Actbl", "Actin, beta-like", extra="<p>Sequences withdrawn.</p>\n")
cluster("Mm", "391967", "Actb-ps", "Actin, beta, pseudogene", mrnas=[
    ("AK077854", 1730, "Mus musculus adult male cDNA, clone 9530027J11")])
for o, c, d in actb:
    search("%s.%s" % (o, c), [(o, c, d)])

# several clusters: an mRNA one and an EST one
gapdh = [("Mm", "304088", "Glyceraldehyde-3-phosphate dehydrogenase"),
         ("Mm", "343110", "Glyceraldehyde-3-phosphate dehydrogenase, pseudogene 4")]
search("Gapdh mouse", gapdh)
cluster("Mm", "304088", "Gapdh", gapdh[0][2], mrnas=[
    ("NM_008084", 1278, "Mus musculus glyceraldehyde-3-phosphate dehydrogenase (Gapdh), mRNA")])
cluster("Mm", "343110", "Gapdh-ps4", gapdh[1][2], ests=[est("BY017812", 3)])
for o, c, d in gapdh:
    search("%s.%s" % (o, c), [(o, c, d)])

write("search_notfound.html", page("Entrez UniGene",
      "<p>The following term was not found in UniGene: Notagene.</p>\n"
      "<p>No items found.</p>"), SEARCH + "Notagene mouse")
search("Tcrg mouse", [("Mm", "207", "T-cell receptor gamma chain")],
       "<p>Mm.207 has been RETIRED; its sequences moved to other clusters.</p>")
search("HBB mouse", [("Hs", "523443", "Hemoglobin, beta")])

# --- human genes ---------------------------------------------------------
search("TP53 homo", [("Hs", "437460", "Tumor protein p53 (Li-Fraumeni syndrome)")])
cluster("Hs", "437460", "TP53", "Tumor protein p53 (Li-Fraumeni syndrome)", mrnas=[
    ("AK223026", 2512, "Homo sapiens mRNA for tumor protein p53 variant, clone: KAT06298"),
    ("NM_000546", 2629, "Homo sapiens tumor protein p53 (TP53), mRNA")])
search("HBB homo", [("Hs", "523443", "Hemoglobin, beta")])
cluster("Hs", "523443", "HBB", "Hemoglobin, beta", mrnas=[
    ("NM_000518", 626, "Homo sapiens hemoglobin, beta (HBB), mRNA")])
search("GAPDH homo", [("Hs", "544577", "Glyceraldehyde-3-phosphate dehydrogenase")])
cluster("Hs", "544577", "GAPDH", "Glyceraldehyde-3-phosphate dehydrogenase", models=[
    ("NM_002046", 1421, "Homo sapiens glyceraldehyde-3-phosphate dehydrogenase (GAPDH), mRNA")])

# --- Entrez nucleotide (accession numbers) --------------------------------
NUC = "/entrez/query.fcgi?orig_db=nucleotide&cmd=search&term="
for acc, gi, d, org in [
        ("NM_008084", "6679936", "Mus musculus glyceraldehyde-3-phosphate dehydrogenase", "Mm"),
        ("NM_000546", "8400737", "Homo sapiens tumor protein p53 (TP53), mRNA", "Hs"),
        ("NM_013627", "7305368", "Mus musculus paired box gene 6 (Pax6), mRNA", "Mm"),
        ("U12345", "508411", "Withdrawn record", "Hs")]:
    write("nuc_search_%s.html" % acc, page("Entrez Nucleotide", (
        "<p>Items 1 - 1 of 1</p>\n<table><tr><td>1: </td><td><a href=\"/entrez/viewer.fcgi?"
        "db=nucleotide&amp;val=%s\">%s</a></td><td>%s</td></tr></table>") % (gi, acc, d)),
        NUC + acc)
    if acc == "U12345":
        write("nuc_%s.html" % acc, page("NCBI Sequence Viewer",
              "<p>This record was removed at the submitter's request.</p>"),
              "/entrez/viewer.fcgi?db=nucleotide&val=%s" % gi)
    else:
        write("nuc_%s.html" % acc, genbank(acc, len(seqs.get(acc, "")) or 1500, d,
                                           org_name(org)),
              "/entrez/viewer.fcgi?db=nucleotide&val=%s" % gi)
write("nuc_search_none.html", page("Entrez Nucleotide",
      "<p>No items found.</p>"), NUC + "AB999999")

# --- EST profiles (expression screening) ----------------------------------
# Body sites as (name, TPM, gene ESTs, all ESTs of the site). The criteria
# window's defaults select female genital and testis (mouse), ovary and testis
# (human), with an abundance of 50 % and a TPM minimum of 100.
PAX6_SITES = [("brain", 20, 25, 1103540), ("eye", 15, 10, 234111),   # testis: 60 of
              ("female genital", 40, 5, 196781), ("liver", 0, 0, 250110),  # 100 ESTs,
              ("testis", 90, 60, 203368)]                                # TPM 130
SOX2_SITES = [("brain", 55, 20, 1103540), ("female genital", 10, 0, 196781),  # abundance
              ("testis", 60, 30, 203368)]                                  # only
HOXA9_SITES = [("brain", 12, 80, 1103540), ("female genital", 60, 6, 196781),  # TPM
               ("testis", 50, 5, 203368)]                                     # only
NANOG_SITES = [("brain", 300, 90, 1103540), ("eye", 20, 4, 234111),  # neither
               ("testis", 5, 1, 203368)]
TP53_SITES = [("adrenal gland", 0, 0, 33197), ("brain", 22, 25, 1103540),  # human,
              ("lung", 9, 20, 336000), ("ovary", 50, 5, 102110),           # both
              ("testis", 80, 70, 221234)]                                  # tests
HBB_SITES = [("adrenal gland", 30, 4, 33197), ("blood", 950, 180, 412345),  # human,
             ("bone marrow", 310, 40, 121212), ("ovary", 2, 1, 102110),     # neither
             ("testis", 0, 0, 221234)]


def site_rows(sites):
    return "".join(
        "<tr><td style=\"cursor: help\">%s</td><td align=\"right\"><font class=\"text\">%d"
        "</font></td><td align=\"right\"><font class=\"text\">%d / %d</font></td></tr>\n"
        % (name, tpm, n, total) for name, tpm, n, total in sites)


def profile(org, cid, sites):
    end = "Breakdown by Health State" if org == "Hs" else "Breakdown by Developmental Stage"
    after = ("<tr><td style=\"cursor: help\">%s</td><td><font class=\"text\">7</font></td>"
             "<td><font class=\"text\">1 / 1000</font></td></tr>\n"
             % ("adult" if org == "Mm" else "normal"))
    body = ("<h2>EST Profile for %s.%s</h2>\n<p>Breakdown by Body Sites</p>\n<table>\n%s"
            "</table>\n<p>%s</p>\n<table>\n%s</table>\n"
            % (org, cid, site_rows(sites), end, after))
    write("profile_%s_%s.html" % (org, cid), page("EST Profile", body),
          "/UniGene/ESTProfileViewer.cgi?uglist=%s.%s" % (org, cid))


for term, org, cid, d, sites in [
        ("Pax6", "Mm", "3608", "Paired box gene 6", PAX6_SITES),
        ("Sox2", "Mm", "65396", "SRY-box containing gene 2", SOX2_SITES),
        ("Hoxa9", "Mm", "39504", "Homeo box A9", HOXA9_SITES),
        ("Nanog", "Mm", "6047", "Nanog homeobox", NANOG_SITES),
        ("TP53", "Hs", "437460", "Tumor protein p53", TP53_SITES),
        ("HBB", "Hs", "523443", "Hemoglobin, beta", HBB_SITES)]:
    search(term, [(org, cid, d)])
    profile(org, cid, sites)
# a cluster whose profile page has no body-site table
search("Olfr1", [("Mm", "378932", "Olfactory receptor 1")])
write("profile_Mm_378932.html", page("EST Profile", "<p>No EST profile data.</p>"),
      "/UniGene/ESTProfileViewer.cgi?uglist=Mm.378932")
# a profile whose table never ends: no end marker and no row after its last
search("Xist", [("Mm", "4407", "Inactive X specific transcripts")])
write("profile_Mm_4407.html", page("EST Profile", (
    "<h2>EST Profile for Mm.4407</h2>\n<p>Body sites (list cut short)</p>\n<table>\n%s"
    "</table>\n") % site_rows([("testis", 400, 90, 203368)])),
    "/UniGene/ESTProfileViewer.cgi?uglist=Mm.4407")
# a search page without any cluster link
write("search_notfound_Notagene.html", page("Entrez UniGene",
      "<p>The following term was not found in UniGene: Notagene.</p>\n"
      "<p>No items found.</p>"), SEARCH + "Notagene")
# any other term: the answers the server gives for a term it does not know
write("search_unknown.html", page("Entrez UniGene",
      "<p>The term was not found in UniGene.</p>\n<p>No items found.</p>"), SEARCH + "*")
write("nuc_search_unknown.html", page("Entrez Nucleotide",
      "<p>No items found.</p>"), NUC + "*")

# --- IGTC BLAST page ------------------------------------------------------
write("igtc_blast.html", page("IGTC BLAST", (
    "<h1>BLAST against the IGTC gene trap sequences</h1>\n"
    "<form method=\"post\" action=\"/cgi-bin/blast.cgi\">\n"
    "<p>Paste FASTA sequences:</p>\n<textarea name=\"sequence\" rows=\"12\" cols=\"70\">"
    "</textarea>\n<p><input type=\"submit\" value=\"Run BLAST\"></p>\n</form>")),
    "/dataaccess/blast.html")

with open(os.path.join(HERE, "index.tsv"), "w", newline="\n") as f:
    f.write("# Sample NCBI and IGTC pages: request (path?decoded-query) TAB page file.\n"
            "# Written by generate.py; edit that and run it again.\n")
    for key, name in index:
        f.write("%s\t%s\n" % (key, name))
