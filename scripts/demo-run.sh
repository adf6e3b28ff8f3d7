#!/usr/bin/env bash
# The main job on a demonstration store made from scratch: the tables, a
# settings file, two accounts, an agent that answers order mail with a merged
# template (sent to a local SMTP server), a few messages in the Pending
# folders, one single pass of the Agent Processor, and then what it did.
set -euo pipefail
BIN=${1:-build/bin}
BIN=$(cd "$BIN" && pwd)
SRC=$(cd "$(dirname "$0")/.." && pwd)
DEMO=$(mktemp -d /tmp/karvix-demo-XXXXXX)
echo "Demonstration store: $DEMO"
mkdir -p "$DEMO/db" "$DEMO/messages" "$DEMO/agents" "$DEMO/templates" "$DEMO/program" "$DEMO/profile"
export KARVIX_PROFILE_DIR="$DEMO/profile" KARVIX_PROGRAM_DIR="$DEMO/program" QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$DEMO/runtime" QT_LOGGING_RULES="qt.qpa.*=false"; mkdir -m 700 -p "$XDG_RUNTIME_DIR"

# A local SMTP server that writes down what it receives.
SINK_OUT="$DEMO/smtp-received.jsonl"
coproc SINK { exec /usr/bin/python3 "$SRC/tests/support/smtp_sink.py" --out "$SINK_OUT"; }
read -r PORT <&"${SINK[0]}"
trap 'kill $SINK_PID 2>/dev/null || true' EXIT

cat > "$DEMO/profile/karvix.ini" <<INI
[Folders]
Messages=$DEMO/messages/
Agents=$DEMO/agents/
DataBase=$DEMO/db/
Templates=$DEMO/templates/
[AgentSettings]
AutoEnabled=1
INI

"$BIN/karvix-db" create "$DEMO/db" >/dev/null
"$BIN/karvix-db" append "$DEMO/db" NODES.DBF UNIQUE_ID=SALES01 NODE="Acme Sales" \
  ADDRESS=sales@acme.example SMTPADDRES="127.0.0.1:$PORT" POPADDRESS=pop.acme.example >/dev/null
"$BIN/karvix-db" append "$DEMO/db" NODES.DBF UNIQUE_ID=HELP01 NODE="Acme Help Desk" \
  ADDRESS=help@acme.example SMTPADDRES="127.0.0.1:$PORT" POPADDRESS=pop.acme.example >/dev/null
"$BIN/karvix-db" append "$DEMO/db" Agents.dbf UNIQUE_ID=20261211090000Order LINK_ID=SALES01 \
  AGENT="Order answer" >/dev/null

cat > "$DEMO/agents/Order answer.agent" <<AGENT
[MAIN]
AgentType=MESSAGE
AppVersion=.9999
TriggerCount=1
ActionCount=1
[HEADER]
Entry1=Subject
[CONDITION]
Entry1=contains
[VALUE]
Entry1=order
[ACTIONPARAM1]
Entry1=AUTO-REPLY
[ACTIONPARAM2]
Entry1=$DEMO/templates/thanks.eml
[ACTIONPARAM3]
Entry1=
AGENT

printf 'Subject: Your order\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nDear <<REPLYHEADER~FROMNAME>>,\r\n\r\nthank you for your mail "<<REPLYHEADER~SUBJECT>>".\r\n\r\n<<SYSTEM~CURRENTNODE>>\r\n' \
  > "$DEMO/templates/thanks.eml"

mkdir -p "$DEMO/messages/SALES01/Pending" "$DEMO/messages/HELP01/Pending"
msg() {  # file, sender, subject
  printf 'From: %s\r\nTo: sales@acme.example\r\nSubject: %s\r\nDate: Fri, 11 Dec 2026 09:%02d:00 +0100\r\nMessage-ID: <%s@example.com>\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nHello,\r\nplease see below.\r\n' \
    "$2" "$3" "$((RANDOM % 60))" "$(basename "$1" .eml)" > "$1"
}
msg "$DEMO/messages/SALES01/Pending/m1.eml" '"Jane Buyer" <jane@example.com>' "New order 4711"
msg "$DEMO/messages/SALES01/Pending/m2.eml" 'bob@example.com' "Question about delivery"
msg "$DEMO/messages/HELP01/Pending/m3.eml" '"Carl" <carl@example.com>' "Printer is broken"

echo "Running: agentrun /SINGLEPASS"
"$BIN/agentrun" /SINGLEPASS

echo; echo "== The processor's log (newest first) =="
cat "$DEMO/program/agentrun.log"
echo; echo "== received.dbf =="
"$BIN/karvix-db" list "$DEMO/db" received.dbf
echo; echo "== ACTIONS.DBF =="
"$BIN/karvix-db" list "$DEMO/db" ACTIONS.DBF
echo; echo "== Message folders =="
(cd "$DEMO/messages" && find . -type f | sort)
echo; echo "== Mail received by the SMTP server =="
/usr/bin/python3 - "$SINK_OUT" <<'PY'
import json, sys
for line in open(sys.argv[1]):
    m = json.loads(line)
    print("MAIL FROM:", m.get("mail_from"), " RCPT TO:", ", ".join(m.get("rcpt_tos", [])))
    print(m.get("data", "").replace("\r\n", "\n"))
PY
"$BIN/karvix-db" check "$DEMO/db"
