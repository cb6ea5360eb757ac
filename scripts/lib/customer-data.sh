# shellcheck shell=bash
# The customer's settings and the toolbox's catalogues, laid out alike by the
# Linux home bed and the Windows day. Sourced; the caller defines `cfg` (its
# zeva-cfg) and `app` (the application folder).
customer_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

customer_settings() {  # WEB-PAGE-SITE... : the account, line and test sites
    cfg set "$app/UserConfig.dat" Server UseProxy 0
    cfg set "$app/UserConfig.dat" Server UpdateServiceDir "zj/"
    cfg set "$app/UserData.dat" UserInfo Account "0571a88001234"
    cfg set "$app/UserData.dat" UserInfo City "杭州"
    cfg set "$app/UserData.dat" UserInfo NetType \
        "<Id>8</Id><BandType>光纤宽带</BandType><BandRate>20M</BandRate><MaxValue>20480</MaxValue><Value>20000</Value><Description>家庭光纤</Description>"
    cfg set "$app/SpeedTest.dat" Area 杭州 杭州地区
    local site
    for site in "$@"; do cfg set "$app/SpeedTest.dat" Http "$site" 1; done
}

catalogue() {  # FILE FOLDER TITLE=LIBRARY...
    local file=$1 folder=$2 n=0 entry lib
    shift 2
    for entry in "$@"; do
        python3 "$customer_lib/tool-icons.py" "$(dirname "$file")/icons" "${entry#*=}"
    done
    {
        echo "[功能大全细]"
        echo "PlugNum=$#"
        for entry in "$@"; do n=$((n + 1)); echo "$n=${entry%%=*}"; done
        for entry in "$@"; do
            lib=${entry#*=}
            printf '[%s]\nPlugModuleName=%s\\%s.dll\nSummary=%s\nShowMode=1\n' \
                "${entry%%=*}" "$folder" "$lib" "${entry%%=*}"
            printf 'NormalImage=%s\\icons\\%s-normal.png\nOverImage=%s\\icons\\%s-over.png\nSelectImage=%s\\icons\\%s-select.png\n' \
                "$folder" "$lib" "$folder" "$lib" "$folder" "$lib"
        done
    } | "$bin/zeva-cfg" import "$file" >/dev/null
}
