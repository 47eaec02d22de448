#!/usr/bin/env python3
"""The cluster examples, read as the cluster would read them: the YAML parses,
the Indexed Job's shard count matches its completions, the array script is
valid shell, and the image is made from the Debian package."""
import pathlib
import re
import subprocess
import sys

import yaml

examples = pathlib.Path(__file__).resolve().parents[2] / "examples"
problems = []


def check(condition, what):
    if not condition:
        problems.append(what)


job = yaml.safe_load((examples / "kubernetes/convert-indexed-job.yaml").read_text())
job_body = job["spec"]
check(job["apiVersion"] == "batch/v1" and job["kind"] == "Job", "not a batch/v1 Job")
check(job_body["completionMode"] == "Indexed", "completionMode is not Indexed")
check(job_body["parallelism"] <= job_body["completions"], "parallelism above completions")
check(job_body["template"]["spec"]["restartPolicy"] == "Never", "backoffLimitPerIndex needs restartPolicy Never")
check("backoffLimitPerIndex" in job_body, "no backoffLimitPerIndex")
container = job_body["template"]["spec"]["containers"][0]
command = " ".join(container["command"] + container["args"])
shard = re.search(r"--shard auto/(\d+)", command)
check(shard and int(shard.group(1)) == job_body["completions"], "--shard auto/N differs from completions")
check("$JOB_COMPLETION_INDEX" in command, "the report is not per index")
mounts = {m["name"] for m in container["volumeMounts"]}
volumes = {v["name"] for v in job_body["template"]["spec"]["volumes"]}
check(mounts == volumes, f"mounts {mounts} and volumes {volumes} differ")
for rule in job_body.get("podFailurePolicy", {}).get("rules", []):
    codes = rule.get("onExitCodes")
    check(not codes or codes.get("containerName") == container["name"], "podFailurePolicy names another container")
check("--null" in command, "the list is not read as find -print0 makes it")
check(job_body["template"]["spec"]["securityContext"].get("fsGroup"), "no fsGroup: the output volume may be unwritable")


def index_fate(status):
    """What the Job does with an index whose container ends with `status`:
    the container's own mapping (1 is a slice gone through), then the
    podFailurePolicy's first matching rule, else a retry."""
    shell = subprocess.run(["sh", "-c", container["args"][0].replace("orvanta-cli convert", f"sh -c 'exit {status}'",
                                                                         1), "sh"],
                           capture_output=True, text=True, timeout=30)
    code = shell.returncode
    if code == 0:
        return "done"
    for rule in job_body["podFailurePolicy"]["rules"]:
        codes = rule.get("onExitCodes")
        if codes and codes["operator"] == "In" and code in codes["values"]:
            return {"FailIndex": "fail", "Ignore": "retry", "Count": "retry", "FailJob": "fail"}[rule["action"]]
    return "retry"


for status, fate in ((0, "done"), (1, "done"), (2, "fail"), (75, "retry"), (143, "retry")):
    check(index_fate(status) == fate, f"exit status {status} should leave the index {fate}, not {index_fate(status)}")

documents = list(yaml.safe_load_all((examples / "kubernetes/serve-deployment.yaml").read_text()))
kinds = {document["kind"]: document for document in documents}
check(set(kinds) == {"Deployment", "Service", "HorizontalPodAutoscaler"}, f"serve-deployment.yaml holds {set(kinds)}")
pod = kinds["Deployment"]["spec"]["template"]
check(kinds["Deployment"]["spec"]["selector"]["matchLabels"].items() <= pod["metadata"]["labels"].items(),
      "the Deployment's selector does not match its pods")
check(kinds["Service"]["spec"]["selector"].items() <= pod["metadata"]["labels"].items(),
      "the Service does not select the pods")
serve = pod["spec"]["containers"][0]
serve_args = " ".join(serve["args"])
check(serve["readinessProbe"]["httpGet"]["path"] == "/health" and serve["livenessProbe"]["httpGet"]["path"] == "/health",
      "the probes do not ask /health")
check("--token-file=" in serve_args and "0.0.0.0" in serve_args, "beyond loopback without a token")
token_mount = next(m for m in serve["volumeMounts"] if m["name"] == "token")
check(serve_args.split("--token-file=")[1].split()[0].startswith(token_mount["mountPath"] + "/"),
      "the token file is not on the token's volume")
token_volume = next(v for v in pod["spec"]["volumes"] if v["name"] == "token")
check(token_volume["secret"]["defaultMode"] & 0o077 == 0, "the token is readable by others: serve refuses it")
check(kinds["HorizontalPodAutoscaler"]["spec"]["scaleTargetRef"]["name"] == kinds["Deployment"]["metadata"]["name"],
      "the autoscaler scales another Deployment")

containerfile = (examples / "kubernetes/Containerfile").read_text()
check(containerfile.startswith("#") and "\nFROM debian:12\n" in containerfile, "the image is not FROM debian:12")
check("LANG=C.UTF-8" in containerfile, "the image sets no UTF-8 locale")
check(re.search(r"apt-get install [^\n]*orvanta_\*\.deb", containerfile), "the package is not installed")

script = examples / "slurm/convert-array.sbatch"
syntax = subprocess.run(["bash", "-n", str(script)], capture_output=True, text=True)
check(syntax.returncode == 0, f"convert-array.sbatch: {syntax.stderr}")
text = script.read_text()
check('--shard "auto/$shards"' in text and "#SBATCH --array=" in text, "the array script takes no auto/N shard")
check("${NULL:-0}" in text and "--null" in text, "the array script cannot read a find -print0 list")
check("$output/reports" not in text, "the reports go into the published output folder")

for problem in problems:
    print("examples:", problem)
if not problems:
    print("examples: all checks hold")
sys.exit(1 if problems else 0)
