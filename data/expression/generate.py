#!/usr/bin/env python3
"""Writes the demo expression tables into this folder (see SOURCES.md).

The values are made up so that the screening demo genes sort into the three
lists with the criteria defaults (ovary and testis selected, 50 % abundance,
sum above 100): one table of each layout the program reads, and the packed
forms the real tables are downloaded in. The gzip and zip files carry fixed
times, so running this again gives the same bytes.
"""
import gzip
import io
import os
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def text(lines):
    return ("\n".join(lines) + "\n").encode("utf-8")


# Mouse: a baseline table in the Expression Atlas download layout (comment
# lines, then Gene ID, Gene Name and one column per tissue; empty cells are
# values below the atlas's cut-off).
MOUSE_TISSUES = ["brain", "heart", "kidney", "liver", "lung", "ovary", "spleen", "testis"]
MOUSE = [
    # testis holds 90 of 150 (60 %), ovary + testis 130: matched
    ("ENSMUSG00000027168", "Pax6", {"brain": "20", "ovary": "40", "testis": "90"}),
    # testis holds 60 %, but ovary + testis is only 60: matched by abundance only
    ("ENSMUSG00000074637", "Sox2", {"brain": "40", "testis": "60"}),
    # ovary + testis 110, but no tissue holds half: matched by the sum only
    ("ENSMUSG00000038227", "Hoxa9", {"kidney": "250", "lung": "90", "spleen": "60",
                                     "ovary": "60", "testis": "50"}),
    # low everywhere: not matched
    ("ENSMUSG00000012396", "Nanog", {"brain": "0.4", "kidney": "0.5", "liver": "0.6",
                                     "lung": "0.7", "spleen": "0.6", "ovary": "0.9",
                                     "testis": "0.8"}),
    # below the cut-off everywhere (total 0): not matched
    ("ENSMUSG00000049605", "Olfr1", {}),
    # one symbol on two rows: no expression data (ambiguous symbol)
    ("ENSMUSG00000086503", "Xist", {"brain": "150", "kidney": "210", "ovary": "320",
                                    "spleen": "180"}),
    ("ENSMUSG00000099998", "Xist", {"testis": "2.5"}),
    ("ENSMUSG00000029580", "Actb", {t: v for t, v in zip(MOUSE_TISSUES, [
        "2850", "1620", "1740", "980", "3120", "2210", "4050", "1890"])}),
    ("ENSMUSG00000057666", "Gapdh", {t: v for t, v in zip(MOUSE_TISSUES, [
        "3410", "5120", "2980", "2450", "1870", "1650", "1320", "2760"])}),
    ("ENSMUSG00000021944", "Gata4", {"heart": "85.5", "liver": "12.5", "ovary": "30",
                                     "testis": "41"}),
]

mouse = ["# Synthetic demo table in the layout of an Expression Atlas baseline download",
         "# Species: Mus musculus",
         "# Unit: TPM",
         "# Not measured data; see SOURCES.md",
         "\t".join(["Gene ID", "Gene Name"] + MOUSE_TISSUES)]
for gene_id, name, values in MOUSE:
    mouse.append("\t".join([gene_id, name] + [values.get(t, "") for t in MOUSE_TISSUES]))
write("demo_mouse_baseline.tpms.tsv", text(mouse))

# Human: a consensus table in the Human Protein Atlas layout (one row per
# gene and tissue; cerebellum and cerebral cortex are sub-tissues of brain).
HUMAN_TISSUES = ["adipose tissue", "adrenal gland", "bone marrow", "cerebellum",
                 "cerebral cortex", "heart muscle", "liver", "lung", "ovary",
                 "skeletal muscle", "testis"]
HUMAN = [
    # testis holds 150 of 238 (63 %), ovary + testis 180.5: matched
    ("ENSG00000141510", "TP53", ["10.2", "8.5", "12.0", "2.2", "3.1", "4.0", "5.3", "9.8",
                                 "30.5", "2.4", "150.0"]),
    # bone marrow holds nearly all: not matched
    ("ENSG00000244734", "HBB", ["95.1", "60.4", "25000.0", "12.0", "14.3", "210.7", "88.0",
                                "800.2", "120.0", "55.6", "40.0"]),
    # high everywhere: not matched
    ("ENSG00000111640", "GAPDH", ["1650.3", "1420.8", "2210.5", "1340.2", "1512.9", "2980.4",
                                  "1210.6", "1876.1", "1432.0", "3120.7", "1698.3"]),
]
hpa = ["\t".join(["Gene", "Gene name", "Tissue", "nTPM"])]
for gene_id, name, values in HUMAN:
    for tissue, value in zip(HUMAN_TISSUES, values):
        hpa.append("\t".join([gene_id, name, tissue, value]))
hpa_bytes = text(hpa)
write("demo_rna_tissue_consensus.tsv", hpa_bytes)
packed = io.BytesIO()
with zipfile.ZipFile(packed, "w", zipfile.ZIP_DEFLATED) as z:
    info = zipfile.ZipInfo("demo_rna_tissue_consensus.tsv", date_time=(2024, 1, 1, 0, 0, 0))
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = 0o644 << 16
    z.writestr(info, hpa_bytes)
write("demo_rna_tissue_consensus.tsv.zip", packed.getvalue())

# Human: median TPM per tissue in the GTEx GCT 1.2 layout (versioned
# Ensembl ids under Name, symbols under Description).
GTEX_TISSUES = ["Adipose - Subcutaneous", "Adrenal Gland", "Brain - Cerebellum",
                "Brain - Cortex", "Heart - Left Ventricle", "Liver", "Lung",
                "Muscle - Skeletal", "Ovary", "Testis", "Whole Blood"]
GTEX = [
    ("ENSG00000141510.16", "TP53", ["15.1234", "9.87", "4.5", "3.25", "2.1", "6.75", "18.2",
                                    "3.3", "35.62", "160.875", "7"]),
    ("ENSG00000244734.3", "HBB", ["310.4", "120.25", "45.5", "60.125", "980.6", "150.3",
                                  "900.75", "85.2", "110.25", "35.5", "150000.5"]),
    ("ENSG00000111640.14", "GAPDH", ["1830.41", "1210.6", "950.22", "1105.9", "2650.3",
                                     "1410.05", "1780.8", "4120.6", "1375.2", "1620.45",
                                     "1290.7"]),
]
gct = ["#1.2", "%d\t%d" % (len(GTEX), len(GTEX_TISSUES)),
       "\t".join(["Name", "Description"] + GTEX_TISSUES)]
for gene_id, name, values in GTEX:
    gct.append("\t".join([gene_id, name] + values))
write("demo_gene_median_tpm.gct.gz", gzip.compress(text(gct), mtime=0))
