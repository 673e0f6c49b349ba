#!/usr/bin/python3
"""fake_agent.py --pipe PATH: a stand-in for the agent, started by wystrand-notify-ctl through
--agent. It connects to PATH, says "hello", echoes every line it is sent and exits with status 3
on the line "exit". With FAKE_AGENT_GATE naming a FIFO, it first waits for a writer to open
that FIFO, so that a test decides when the agent is there.
"""
import os
import socket
import sys

if len(sys.argv) != 3 or sys.argv[1] != "--pipe":
    sys.exit(1)
if "FAKE_AGENT_GATE" in os.environ:
    open(os.environ["FAKE_AGENT_GATE"], "rb").close()
with socket.socket(socket.AF_UNIX) as link:
    link.connect(sys.argv[2])
    link.sendall(b"hello\n")
    for line in link.makefile("rb", buffering=0):
        if line == b"exit\n":
            sys.exit(3)
        link.sendall(line)
