# SPDX-License-Identifier: Apache-2.0
# bash completion for tarvo
_tarvo() {
    local cur prev words cword
    _init_completion || return

    local common="--control-data --rate-file --application --cd-version"
    local cmd="" sub="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --lang) ((i++)) ;;
            -*) ;;
            *)
                if [[ -z $cmd ]]; then
                    cmd=${words[i]}
                elif [[ -z $sub && ($cmd == rates || $cmd == controldata) ]]; then
                    sub=${words[i]}
                fi
                ;;
        esac
    done

    case $prev in
        --lang) COMPREPLY=($(compgen -W "en de" -- "$cur")); return ;;
        --rate-type) COMPREPLY=($(compgen -W "G M B S X Y" -- "$cur")); return ;;
        --quotation-from | --quotation-to) COMPREPLY=($(compgen -W "M P" -- "$cur")); return ;;
        --unit-from | --unit-to) COMPREPLY=($(compgen -W "1 100 1000" -- "$cur")); return ;;
        --decimals) COMPREPLY=($(compgen -W "0 2" -- "$cur")); return ;;
        --format) COMPREPLY=($(compgen -W "csv ndjson json" -- "$cur")); return ;;
        --delimiter) COMPREPLY=($(compgen -W ", ; tab" -- "$cur")); return ;;
        --header) COMPREPLY=($(compgen -W "auto yes no" -- "$cur")); return ;;
        --comments | --blank-lines) COMPREPLY=($(compgen -W "skip keep" -- "$cur")); return ;;
        --method)
            if [[ $cmd == smooth ]]; then
                COMPREPLY=($(compgen -W "G M" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "0 1 2" -- "$cur"))
            fi
            return
            ;;
        -o | --output | --control-data | --rate-file) _filedir; return ;;
        --date | --booking-date | --reference-date | --file-date | --rate-from | --rate-to | \
            --application | --cd-version | --currency | --chunk | --threads | --unit | \
            --exponent | --amount-column | --from-column | --to-column | --date-column | \
            --rate-column | --unit-column | --quotation-column | --rate-to-column | \
            --unit-to-column | --quotation-to-column)
            return
            ;;
    esac

    local opts
    case $cmd/$sub in
        /)
            COMPREPLY=($(compgen -W "convert batch balance smooth rates controldata --help --lang --version" -- "$cur"))
            return
            ;;
        convert/) opts="--date --booking-date --reference-date --rate-type --rate-print --rate-from --unit-from --quotation-from --rate-to --unit-to --quotation-to --decimals --four-decimals --json -q --terse $common" ;;
        batch/) opts="-o --output --json --audit --date --rate-type --rate-print --delimiter --header --comments --blank-lines --decimal-comma --amount-column --from-column --to-column --date-column --rate-column --unit-column --quotation-column --rate-to-column --unit-to-column --quotation-to-column --four-decimals --format -q --terse --chunk --threads --progress --no-progress $common" ;;
        balance/) opts="--date --rate-type --json -q --terse --method $common" ;;
        smooth/) opts="--date --rate-type --json -q --terse --unit --exponent --method $common" ;;
        rates/) COMPREPLY=($(compgen -W "import show check" -- "$cur")); return ;;
        rates/import) opts="-o --output --json --file-date --replace" ;;
        rates/show) opts="--currency --json --date" ;;
        rates/check) opts="--json" ;;
        controldata/) COMPREPLY=($(compgen -W "export show" -- "$cur")); return ;;
        controldata/export) opts="--json --ebcdic --lf" ;;
        controldata/show) opts="--date --json $common" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--help $opts" -- "$cur"))
    else
        _filedir
    fi
} && complete -F _tarvo tarvo
