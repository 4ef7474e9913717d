#!/usr/bin/env bash
# The installed layout works on its own: installs the build into a scratch
# prefix, moves that prefix elsewhere (so that neither the build tree nor the
# prefix it was installed to is at hand), and runs the installed programs from
# there. Then checks the manual pages against the programs' --help texts and
# the bash completion against the commands.
#   test_install.sh CMAKE BUILD_DIR REALDATA_DIR VERSION GUI(ON|OFF)
set -uo pipefail
cmake=$1 build=$2 realdata=$3 version=$4 gui=$5

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
unset QUILLFISH_MODULE_DIR

"$cmake" --install "$build" --prefix "$scratch/installed" --strip >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log"; echo "FAIL: cmake --install"; exit 1; }
mv "$scratch/installed" "$scratch/moved"
p=$scratch/moved
cd "$scratch" || exit 1

# --- The layout, and no run path into the build tree.
files=(bin/quillfish-cli lib/quillfish/pdf.so share/quillfish/pages/index.tsv
    share/man/man1/quillfish-cli.1.gz share/bash-completion/completions/quillfish-cli)
[ "$gui" = ON ] && files+=(bin/quillfish share/man/man1/quillfish.1.gz
    share/icons/hicolor/scalable/apps/quillfish.svg share/icons/hicolor/256x256/apps/quillfish.png)
for f in "${files[@]}"; do [ -e "$p/$f" ] || fail "not installed: $f"; done
[ "$gui" = ON ] && { ls "$p"/share/applications/*.desktop "$p"/share/metainfo/*.metainfo.xml \
    >/dev/null 2>&1 || fail "no desktop entry or metainfo"; }
[ -z "$(find "$p/share/quillfish" -name '*.py')" ] || fail "data scripts installed"
for f in "$p"/bin/* "$p"/lib/quillfish/*.so; do
    if readelf -d "$f" | grep -Eq 'R(UN)?PATH'; then fail "$f has a run path"; fi
done

# --- The installed programs run from the moved prefix.
cli=$p/bin/quillfish-cli
out=$("$cli" --version) || fail "--version exits with $?"
[ "$out" = "quillfish-cli $version" ] || fail "--version printed '$out'"

out=$("$cli" search --demo Pax6 2>"$scratch/err") || fail "search --demo exits with $?: $(cat "$scratch/err")"
grep -q '^1 queries found' <<<"$out" || fail "search --demo Pax6 found nothing"
grep -q '^> *Pax6' <<<"$out" || grep -q 'NM_013627' <<<"$out" || fail "search --demo Pax6 has no sequence"

# Pou5f1 scores 905, the hg19 query 115, the third query has no hits.
blast=$realdata/biopython__Tests__Blast__text_2226_blastn_004.txt
out=$("$cli" igtc --min-score 200 "$blast" 2>/dev/null) || fail "igtc exits with $?"
grep -q '^1 hits found' <<<"$out" || fail "igtc --min-score 200: $(head -n 1 <<<"$out")"
grep -q 'Pou5f1' <<<"$out" || fail "igtc --min-score 200 lost the Pou5f1 query"
grep -q 'hg19' <<<"$out" && fail "igtc --min-score 200 kept the hg19 query (115)"

# --- The manual pages name every option of the --help texts.
# The page as text: fonts dropped, \- as -, \(dq as ".
plain() { gzip -dc "$1" | sed -e 's/\\f[BIRP]//g' -e 's/\\-/-/g' -e 's/\\(dq/"/g' -e 's/\\(aq/'"'"'/g'; }
# The long options of a --help text ("  -h, --help", "  --save FILE  ...").
options() { sed -n 's/^  \(-[a-zA-Z], \)\{0,1\}\(--[a-z0-9-]*\).*/\2/p' <<<"$1"; }
# The choices of each option of a --help text ("--species mouse|human").
choices() { sed -n 's/^  \(--[a-z0-9-]*\) \([a-z0-9-]*|[a-z0-9|-]*\)\( .*\)\{0,1\}$/\1 \2/p' <<<"$1"; }
# The text from ".SS NAME" (or ".SH NAME") up to the next heading.
section() { awk -v h="$2" '$0 ~ /^\.S[HS] / { on = ($0 == h || $0 == h "\"") } on' <<<"$1"; }
# The first line of each .TP item that names option $2 (".BI --save \" FILE\"",
# ".BR -h \", \" --help"): the option is described.
item() { awk -v o="$2" 'tp && index(" " $0 " ", " " o " ") { print } { tp = /^\.TP/ }' <<<"$1"; }
described() { [ -n "$(item "$1" "$2")" ]; }

check_page() {  # page-text program-name
    local page=$1 name=$2 heading
    for heading in NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS' ENVIRONMENT FILES EXAMPLES; do
        grep -Eq "^\.SH \"?$heading\"?\$" <<<"$page" || fail "$name(1) has no section $heading"
    done
    grep -q '^\.TH .* "Quillfish '"$version"'"' <<<"$page" || fail "$name(1) does not name version $version"
    if command -v man >/dev/null; then
        warnings=$(gzip -dc "$p/share/man/man1/$name.1.gz" >"$scratch/$name.1" &&
            MANWIDTH=80 man --warnings -l "$scratch/$name.1" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$name(1) warnings: $warnings"
    fi
}

page=$(plain "$p/share/man/man1/quillfish-cli.1.gz")
check_page "$page" quillfish-cli
grep -q '^\.B QUILLFISH_MODULE_DIR' <<<"$page" || fail "quillfish-cli(1) omits QUILLFISH_MODULE_DIR"
grep -q '^\.B NCBI_API_KEY' <<<"$page" || fail "quillfish-cli(1) omits NCBI_API_KEY"
help=$("$cli" --help)
for o in $(options "$help"); do described "$page" "$o" || fail "quillfish-cli(1) does not describe $o"; done
commands=$(sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\)  .*/\1/p' <<<"$help")
[ -n "$commands" ] || fail "no commands in quillfish-cli --help"
examples=$(section "$page" '.SH EXAMPLES')
for c in $commands; do
    text=$(section "$page" ".SS $c")
    [ -n "$text" ] || { fail "quillfish-cli(1) has no subsection for $c"; continue; }
    grep -q "quillfish-cli $c " <<<"$examples" || fail "quillfish-cli(1) has no example of $c"
    grep -q "^\.B $c\$" <<<"$(section "$page" '.SH SYNOPSIS')" || fail "quillfish-cli(1) synopsis lacks $c"
    chelp=$("$cli" "$c" --help)
    for o in $(options "$chelp"); do
        case $o in --help | --version) continue ;; esac
        grep -q -- "$o\b" <<<"$text" || fail "quillfish-cli(1), $c: $o not named"
        described "$page" "$o" || fail "quillfish-cli(1), $c: $o not described"
    done
    while read -r o list; do
        [ -n "$o" ] || continue
        for v in ${list//|/ }; do
            grep -qw -- "$v" <<<"$(item "$text" "$o")" || fail "quillfish-cli(1), $c: $o lacks $v"
        done
    done <<<"$(choices "$chelp")"
done

if [ "$gui" = ON ]; then
    page=$(plain "$p/share/man/man1/quillfish.1.gz")
    check_page "$page" quillfish
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$p/bin/quillfish" --help) || fail "quillfish --help exits with $?"
    while read -r o; do
        described "$page" "$o" || fail "quillfish(1) does not describe $o"
    done < <(grep -o -- '--[a-z0-9-]*' <<<"$help" | sort -u)
fi

# --- The bash completion offers the commands and an option's choices.
completion=$p/share/bash-completion/completions/quillfish-cli
complete_words() {  # the words offered after the words given
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _quillfish_cli
             printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$cli" "$@" | sort | tr '\n' ' '
}
[ "$(complete_words s)" = "screen search serve " ] || fail "completion of 's': $(complete_words s)"
[ "$(complete_words search --species '')" = "human mouse " ] ||
    fail "completion of --species: $(complete_words search --species '')"
[ "$(complete_words screen --no-)" = "--no-abundance --no-tpm " ] ||
    fail "completion of screen --no-: $(complete_words screen --no-)"

if [ "$failures" -gt 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "installed layout, manual pages and completion: all checks passed"
