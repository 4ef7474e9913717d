#!/usr/bin/env bash
# Checks that includes run one way between the folders of src/ (README, "Code
# map"): the core folders include no Qt Gui, Widgets or PrintSupport header
# (printing/pdf may use Qt Gui), no window, no shell and not the page server;
# no window includes the shell. Usage: check-includes.sh SRC_DIR QT_INCLUDE_DIR
set -uo pipefail
src=${1:?source folder}
qt=${2:?Qt include folder}
core="text web sheets printing modules search igtc profile unique eutils expression"
status=0
[ -e "$qt/QtCore/QString" ] || { echo "no Qt headers in $qt"; exit 2; }

fail() {
    echo "$1: $2"
    status=1
}

qt_module_of() {  # the Qt module a <QClass> header belongs to, if any
    local h=$1 m
    for m in QtCore QtNetwork QtXml QtGui QtWidgets QtPrintSupport; do
        [ -e "$qt/$m/$h" ] && { echo "$m"; return; }
    done
}

while IFS= read -r file; do
    rel=${file#"$src"/}
    folder=${rel%%/*}
    sub=$(dirname "$rel")
    in_core=0
    for c in $core; do [ "$folder" = "$c" ] && in_core=1; done
    # Module entries are built into the modules, not into the core.
    [[ $rel == modules/*module.cpp ]] && in_core=0
    [[ $sub == */gui || $sub == */gui/* ]] && in_core=0
    gui_folder=0
    [[ $sub == */gui || $sub == widgets || $sub == */gui/* ]] && gui_folder=1
    while IFS= read -r inc; do
        case $inc in
        \<Q*\>)
            [ $in_core = 1 ] || continue
            m=$(qt_module_of "${inc:1:${#inc}-2}")
            case $m in
            QtWidgets | QtPrintSupport) fail "$rel" "includes the widget header $inc" ;;
            QtGui) [[ $sub == printing/pdf ]] || fail "$rel" "includes the Qt Gui header $inc" ;;
            esac
            ;;
        \"*\")
            target=${inc:1:${#inc}-2}
            if [ $in_core = 1 ]; then
                case $target in
                */gui/* | widgets/* | shell/* | cli/* | pageserver/*)
                    fail "$rel" "includes $target" ;;
                esac
            fi
            if [ $gui_folder = 1 ]; then
                case $target in shell/* | cli/*) fail "$rel" "includes $target" ;; esac
            fi
            ;;
        esac
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*\([<"][^>"]*[>"]\).*/\1/p' "$file")
done < <(find "$src" -name '*.cpp' -o -name '*.h')

[ $status = 0 ] && echo "includes run one way"
exit $status
